#include "sample/sample_download.h"

#include <algorithm>
#include <filesystem>
#include <fstream>

#include "hash/md4.h"
#include "sample/file_time.h"
#include "sample/sample_data.h"

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

// The clients write the size, the transferred count and the gaps of a large
// download 64 bits wide and every other integer 32 bits wide; a download
// that is not large has its values cut to 32 bits.
SampleTag SizeTag(const std::string& name, uint64_t value, bool wide) {
  return wide ? SampleUInt64Tag(name, value) : SampleNumberTag(name, static_cast<uint32_t>(value));
}

// The file hash of a download of one part: the MD4 of its content.
std::string ContentHash(const SampleDownload& download) {
  Md4Context context;
  Md4Init(&context);
  std::vector<uint8_t> bytes(static_cast<size_t>(download.fileSize));
  SampleContent(download, 0, bytes.data(), bytes.size());
  Md4Update(&context, bytes.data(), static_cast<uint32_t>(bytes.size()));
  Md4Final(&context);
  return std::string(reinterpret_cast<const char*>(context.digest), 16);
}

}  // namespace

bool IsLargeSampleDownload(uint64_t fileSize) { return fileSize > kSampleLargeSizeAbove; }

std::vector<SampleTag> SampleTags(const SampleDownload& download) {
  const bool wide = download.sizeTags64 || IsLargeSampleDownload(download.fileSize);
  uint64_t missing = 0;
  for (const SampleGap& gap : download.gaps) missing += gap.end - gap.start;
  std::vector<SampleTag> tags;
  tags.push_back(SampleTextTag("\x01", "test_movie.avi"));
  tags.push_back(SizeTag("\x02", download.fileSize, wide));
  if (download.partFileNameTag) tags.push_back(SampleTextTag("\x12", download.name + ".part"));
  tags.push_back(SizeTag("\x08", download.fileSize - std::min(missing, download.fileSize), wide));
  tags.push_back(SampleNumberTag("\x14", 0));
  tags.push_back(SampleNumberTag("\x18", 5));
  tags.push_back(SampleNumberTag("\x19", 5));
  tags.push_back(SampleNumberTag("\x05", 0));
  auto add = [&tags](const std::vector<SampleTag>& more) {
    tags.insert(tags.end(), more.begin(), more.end());
  };
  if (download.emuleTags) {
    for (const SampleTag& tag : EmuleSampleTags(download.fileSize, download.seed)) {
      const bool aich = tag.name == "\x27" || tag.name == "\x35";
      if (!aich || !download.aichHashes) tags.push_back(tag);
    }
  }
  if (download.aichHashes) {
    const SampleAichSet set = SampleAichHashes(download);
    tags.push_back(SampleTextTag("\x27", set.rootText));
    tags.push_back(SampleTag{0x07, "\x35", U32(static_cast<uint32_t>(set.blob.size())) + set.blob});
  }
  if (download.everyTagType) add(EveryTypeSampleTags());
  if (download.uint64Tags || download.everyTagType) add(UInt64SampleTags());
  if (download.bsobTag || download.everyTagType) tags.push_back(BsobSampleTag());
  add(download.extraTags);
  tags.push_back(SampleNumberTag("\x53", 0));
  for (size_t i = 0; i < download.gaps.size(); ++i) {
    std::string index = std::to_string(i);
    tags.push_back(SizeTag("\x09" + index, download.gaps[i].start, wide));
    tags.push_back(SizeTag("\x0A" + index, download.gaps[i].end, wide));
  }
  return tags;
}

std::string EncodeSampleMet(const SampleDownload& download, const std::string& partHashes) {
  std::vector<SampleTag> tags = SampleTags(download);
  // A large download has version 0xE2 and the very same full header.
  std::string met(1, IsLargeSampleDownload(download.fileSize) ? '\xE2' : '\xE0');
  met += U32(download.timeStamp);
  if (partHashes.empty() && download.partHashes && SamplePartHashCount(download.fileSize) == 0) {
    met += ContentHash(download);
  } else if (partHashes.empty()) {
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
  std::string base = (std::filesystem::u8path(folder) / std::filesystem::u8path(download.name)).u8string();
  if (!WriteSampleData(base + ".part", download)) {
    *error = "cannot write " + base + ".part";
    return false;
  }
  std::string partHashes;
  if (download.partHashes) partHashes = SamplePartHashes(download);
  if (!download.corruptParts.empty() && !DamageSampleParts(base + ".part", download)) {
    *error = "cannot damage " + base + ".part";
    return false;
  }
  std::ofstream met(std::filesystem::u8path(base + ".part.met"), std::ios::binary | std::ios::trunc);
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
