#include "sample/sample_download.h"

#include <algorithm>
#include <filesystem>
#include <fstream>

#include "hash/md4.h"
#include "sample/file_time.h"

namespace {

uint64_t Mix(uint64_t x) {
  x += 0x9E3779B97F4A7C15ull;
  x = (x ^ (x >> 30)) * 0xBF58476D1CE4E5B9ull;
  x = (x ^ (x >> 27)) * 0x94D049BB133111EBull;
  return x ^ (x >> 31);
}

std::string U16(uint32_t v) { return {char(v & 0xFF), char(v >> 8 & 0xFF)}; }

std::string U32(uint32_t v) {
  return {char(v & 0xFF), char(v >> 8 & 0xFF), char(v >> 16 & 0xFF), char(v >> 24 & 0xFF)};
}

std::string Text(const std::string& text) { return U16(uint32_t(text.size())) + text; }

SampleTag Tag(uint8_t type, const std::string& name, const std::string& value) {
  return SampleTag{type, name, value};
}

void AddEveryTagType(std::vector<SampleTag>& tags) {
  tags.push_back(Tag(0x83, "\x15", U32(0x01020304)));             // id form
  tags.push_back(Tag(0x82, "\x22", Text("id-form text")));
  tags.push_back(Tag(0x01, "hash", "0123456789abcdef"));
  tags.push_back(Tag(0x04, "ratio", U32(0x3FC00000)));             // 1.5f
  tags.push_back(Tag(0x05, "flag", "\x01"));
  tags.push_back(Tag(0x06, "bits12", U16(12) + "\xA5\x0F"));
  tags.push_back(Tag(0x06, "bits8", U16(8) + std::string("\xFF\x00", 2)));
  tags.push_back(Tag(0x06, "bits0", U16(0) + std::string(1, '\0')));
  tags.push_back(Tag(0x07, "blob", U32(3) + "\x01\x02\x03"));
  tags.push_back(Tag(0x07, "empty blob", U32(0)));
  tags.push_back(Tag(0x08, "port", U16(4662)));
  tags.push_back(Tag(0x09, "prio8", "\xFF"));
  tags.push_back(Tag(0x15, "short5", "hello"));
  tags.push_back(Tag(0x20, "short16", "0123456789ABCDEF"));
  tags.push_back(Tag(0x02, "", Text("empty name")));
  tags.push_back(Tag(0x02, "empty text", Text("")));
  tags.push_back(Tag(0x03, "\x09" "A", U32(77)));                  // no gap: not digits
  tags.push_back(Tag(0x03, "\x0A" "1x", U32(78)));                 // no gap either
}

bool WriteAll(std::ostream& out, const SampleDownload& download, uint64_t from, uint64_t to) {
  std::vector<uint8_t> chunk(1 << 20);
  out.seekp(static_cast<std::streamoff>(from));
  for (uint64_t at = from; at < to && out;) {
    size_t count = static_cast<size_t>(std::min<uint64_t>(chunk.size(), to - at));
    SampleBytes(download.seed, at, chunk.data(), count);
    out.write(reinterpret_cast<const char*>(chunk.data()), static_cast<std::streamsize>(count));
    at += count;
  }
  return bool(out);
}

bool WriteDataFile(const std::string& path, const SampleDownload& download) {
  {
    std::ofstream create(path, std::ios::binary | std::ios::trunc);
    if (!create) return false;
  }
  std::error_code error;
  std::filesystem::resize_file(path, download.fileSize, error);
  if (error) return false;
  std::fstream out(path, std::ios::binary | std::ios::in | std::ios::out);
  if (!out) return false;
  if (download.dataRegions.empty()) return WriteAll(out, download, 0, download.fileSize);
  for (const SampleGap& region : download.dataRegions) {
    if (!WriteAll(out, download, region.start, std::min(region.end, download.fileSize)))
      return false;
  }
  return true;
}

// Changes a few bytes in the middle of each corrupt part, after its hash
// was taken.
bool DamageParts(const std::string& path, const SampleDownload& download) {
  std::fstream file(path, std::ios::binary | std::ios::in | std::ios::out);
  for (uint32_t part : download.corruptParts) {
    uint64_t at = part * kSamplePartSize + kSamplePartSize / 2;
    if (at >= download.fileSize) at = part * kSamplePartSize;
    if (at >= download.fileSize) continue;
    char byte = 0;
    file.seekg(static_cast<std::streamoff>(at));
    file.read(&byte, 1);
    byte = static_cast<char>(~byte);
    file.seekp(static_cast<std::streamoff>(at));
    file.write(&byte, 1);
  }
  return bool(file);
}

}  // namespace

uint8_t SampleByte(uint32_t seed, uint64_t offset) {
  uint64_t word = Mix(uint64_t(seed) << 40 ^ offset / 8);
  return static_cast<uint8_t>(word >> (offset % 8 * 8));
}

void SampleBytes(uint32_t seed, uint64_t offset, uint8_t* out, size_t count) {
  for (size_t i = 0; i < count;) {
    uint64_t at = offset + i;
    if (at % 8 == 0 && count - i >= 8) {
      uint64_t word = Mix(uint64_t(seed) << 40 ^ at / 8);
      for (int b = 0; b < 8; ++b) out[i + b] = static_cast<uint8_t>(word >> (b * 8));
      i += 8;
    } else {
      out[i++] = SampleByte(seed, at);
    }
  }
}

SampleTag SampleNumberTag(const std::string& name, uint32_t value) {
  return Tag(0x03, name, U32(value));
}

std::vector<SampleTag> SampleTags(const SampleDownload& download) {
  uint64_t missing = 0;
  for (const SampleGap& gap : download.gaps) missing += gap.end - gap.start;
  uint32_t size = static_cast<uint32_t>(download.fileSize);
  std::vector<SampleTag> tags;
  tags.push_back(Tag(0x02, "\x01", Text("test_movie.avi")));
  tags.push_back(SampleNumberTag("\x02", size));
  if (download.partFileNameTag) tags.push_back(Tag(0x02, "\x12", Text(download.name + ".part")));
  tags.push_back(SampleNumberTag("\x08", static_cast<uint32_t>(download.fileSize - std::min(missing, download.fileSize))));
  tags.push_back(SampleNumberTag("\x14", 0));
  tags.push_back(SampleNumberTag("\x18", 5));
  tags.push_back(SampleNumberTag("\x19", 5));
  tags.push_back(SampleNumberTag("\x05", 0));
  if (download.everyTagType) AddEveryTagType(tags);
  tags.insert(tags.end(), download.extraTags.begin(), download.extraTags.end());
  tags.push_back(SampleNumberTag("\x53", 0));
  for (size_t i = 0; i < download.gaps.size(); ++i) {
    std::string index = std::to_string(i);
    tags.push_back(SampleNumberTag("\x09" + index, static_cast<uint32_t>(download.gaps[i].start)));
    tags.push_back(SampleNumberTag("\x0A" + index, static_cast<uint32_t>(download.gaps[i].end)));
  }
  return tags;
}

std::string EncodeSampleTag(const SampleTag& tag) {
  std::string bytes(1, char(tag.type));
  if (tag.type & 0x80)
    bytes += tag.name.substr(0, 1);
  else
    bytes += Text(tag.name);
  return bytes + tag.value;
}

uint32_t SamplePartHashCount(uint64_t fileSize) {
  return fileSize < kSamplePartSize ? 0 : static_cast<uint32_t>(fileSize / kSamplePartSize + 1);
}

std::string HashSampleParts(const std::string& dataPath, uint64_t fileSize) {
  std::ifstream in(dataPath, std::ios::binary);
  std::string hashes;
  std::vector<char> chunk(1 << 20);
  for (uint32_t part = 0; part < SamplePartHashCount(fileSize); ++part) {
    Md4Context context;
    Md4Init(&context);
    in.clear();
    in.seekg(static_cast<std::streamoff>(part * kSamplePartSize));
    for (uint64_t left = kSamplePartSize; left > 0 && in;) {
      in.read(chunk.data(), static_cast<std::streamsize>(std::min<uint64_t>(chunk.size(), left)));
      uint32_t got = static_cast<uint32_t>(in.gcount());
      Md4Update(&context, reinterpret_cast<const uint8_t*>(chunk.data()), got);
      left -= got;
    }
    Md4Final(&context);
    hashes.append(reinterpret_cast<const char*>(context.digest), 16);
  }
  return hashes;
}

std::string EncodeSampleMet(const SampleDownload& download, const std::string& partHashes) {
  std::vector<SampleTag> tags = SampleTags(download);
  std::string met(1, '\xE0');
  met += U32(download.timeStamp);
  if (partHashes.empty()) {
    for (int i = 0; i < 16; ++i) met += char(Mix(download.seed * 16ull + i));
  } else {
    // The file hash of a file with part hashes is the MD4 of those hashes.
    Md4Context context;
    Md4Init(&context);
    Md4Update(&context, reinterpret_cast<const uint8_t*>(partHashes.data()),
              static_cast<uint32_t>(partHashes.size()));
    Md4Final(&context);
    met.append(reinterpret_cast<const char*>(context.digest), 16);
  }
  met += U16(static_cast<uint32_t>(partHashes.size() / 16));
  met += partHashes;
  met += U32(static_cast<uint32_t>(tags.size()));
  for (const SampleTag& tag : tags) met += EncodeSampleTag(tag);
  return met + download.trailer;
}

bool WriteSampleDownload(const std::string& folder, const SampleDownload& download,
                         std::string* error) {
  std::string base = (std::filesystem::path(folder) / download.name).string();
  if (!WriteDataFile(base + ".part", download)) {
    *error = "cannot write " + base + ".part";
    return false;
  }
  std::string partHashes;
  if (download.partHashes) partHashes = HashSampleParts(base + ".part", download.fileSize);
  if (!download.corruptParts.empty() && !DamageParts(base + ".part", download)) {
    *error = "cannot damage " + base + ".part";
    return false;
  }
  std::ofstream met(base + ".part.met", std::ios::binary | std::ios::trunc);
  std::string bytes = EncodeSampleMet(download, partHashes);
  met.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  if (!met) {
    *error = "cannot write " + base + ".part.met";
    return false;
  }
  if (SetModificationTime(base + ".part", download.timeStamp) != 0) {
    *error = "cannot set the time of " + base + ".part";
    return false;
  }
  return true;
}
