#include "sample/sample_known.h"

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>

#include "hash/md4.h"
#include "platform/sha1.h"
#include "sample/file_time.h"
#include "sample/sample_download.h"

namespace {

std::string Md4Of(const char* bytes, size_t count) {
  Md4Context context;
  Md4Init(&context);
  Md4Update(&context, reinterpret_cast<const uint8_t*>(bytes), uint32_t(count));
  Md4Final(&context);
  return std::string(reinterpret_cast<const char*>(context.digest), 16);
}

}  // namespace

std::string SampleMd4(const std::string& bytes) { return Md4Of(bytes.data(), bytes.size()); }

namespace {

constexpr uint64_t kBlock = 184320;
constexpr uint64_t kBlocksPerPart = 53;

std::string U16(uint32_t v) { return {char(v & 0xFF), char(v >> 8 & 0xFF)}; }

std::string U32(uint32_t v) {
  return {char(v & 0xFF), char(v >> 8 & 0xFF), char(v >> 16 & 0xFF), char(v >> 24 & 0xFF)};
}

std::string Sha1Of(const std::string& bytes) {
  Sha1 sha1;
  uint8_t digest[kSha1Bytes];
  sha1.Update(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
  sha1.Final(digest);
  return std::string(reinterpret_cast<const char*>(digest), kSha1Bytes);
}

// The node over [start, start + size) as a left or a right branch: above a
// part it splits on parts, else on blocks, the left branch taking the
// larger half and the right one the smaller.
std::string TreeNode(const std::string& blocks, uint64_t start, uint64_t size, bool left) {
  if (size <= kBlock) {
    const uint64_t index = start / kSamplePartSize * kBlocksPerPart + start % kSamplePartSize / kBlock;
    return blocks.substr(index * kSha1Bytes, kSha1Bytes);
  }
  const uint64_t unit = size > kSamplePartSize ? kSamplePartSize : kBlock;
  const uint64_t units = (size + unit - 1) / unit;
  const uint64_t leftSize = (left ? (units + 1) / 2 : units / 2) * unit;
  return Sha1Of(TreeNode(blocks, start, leftSize, true) +
                TreeNode(blocks, start + leftSize, size - leftSize, false));
}

// The hashes of zeros, each worked out once: large test files are sparse,
// and hashing their gigabytes of zeros again for every file would take most
// of a test's time.
const std::string& ZeroPartMd4() {
  static const std::string md4 = SampleMd4(std::string(kSamplePartSize, '\0'));
  return md4;
}

// The SHA-1 of `count` bytes, or of as many zeros where they are all zero.
std::string BlockSha1(const char* bytes, size_t count, bool* zero) {
  static const std::string zeros(kBlock, '\0');
  // A whole block, or the shorter last one of a part.
  static const std::string whole = Sha1Of(zeros), last = Sha1Of(zeros.substr(0, kSamplePartSize % kBlock));
  *zero = std::memcmp(bytes, zeros.data(), count) == 0;
  if (*zero && count == kBlock) return whole;
  if (*zero && count == kSamplePartSize % kBlock) return last;
  return Sha1Of(std::string(bytes, count));
}

// Hashes `size` bytes that `read` delivers in order, a block at most a call.
bool HashStream(uint64_t size, const std::function<bool(char*, size_t)>& read,
                SampleFileHashes* hashes) {
  *hashes = SampleFileHashes{};
  hashes->size = size;
  std::string part(size_t(std::min(kSamplePartSize, size)), '\0');
  // Every part, the empty one after a last whole part included.
  for (uint64_t partStart = 0;; partStart += kSamplePartSize) {
    const uint64_t partSize = std::min(kSamplePartSize, size - partStart);
    bool zeros = partSize == kSamplePartSize;
    for (uint64_t at = 0; at < partSize; at += kBlock) {
      const size_t count = size_t(std::min(kBlock, partSize - at));
      if (!read(&part[at], count)) return false;
      bool zeroBlock = false;
      hashes->blockHashes += BlockSha1(&part[at], count, &zeroBlock);
      zeros = zeros && zeroBlock;
    }
    hashes->partHashes += zeros ? ZeroPartMd4() : Md4Of(part.data(), size_t(partSize));
    if (partStart + kSamplePartSize > size) break;
  }
  if (size < kSamplePartSize) {
    hashes->fileHash = hashes->partHashes;
    hashes->partHashes.clear();
  } else {
    hashes->fileHash = SampleMd4(hashes->partHashes);
  }
  hashes->aichRoot = size ? TreeNode(hashes->blockHashes, 0, size, true) : Sha1Of("");
  return true;
}

// aMule's universal form: each byte of the name as a Latin-1 character in UTF-8.
std::string Universal(const std::string& bytes) {
  std::string text;
  for (unsigned char byte : bytes) {
    if (byte < 0x80) {
      text += char(byte);
    } else {
      text += char(0xC0 | byte >> 6);
      text += char(0x80 | (byte & 0x3F));
    }
  }
  return text;
}

// UTF-8 as UTF-16LE, as eMule writes its text files.
std::string Utf16Le(const std::string& text) {
  std::string out;
  for (size_t i = 0; i < text.size();) {
    const unsigned char lead = text[i];
    const int more = lead < 0x80 ? 0 : lead < 0xE0 ? 1 : lead < 0xF0 ? 2 : 3;
    uint32_t point = lead & (0x7F >> (more ? more + 1 : 0));
    for (int k = 1; k <= more && i + k < text.size(); ++k) point = point << 6 | (text[i + k] & 0x3F);
    i += more + 1;
    if (point >= 0x10000) {
      out += U16(0xD800 + ((point - 0x10000) >> 10));
      point = 0xDC00 + ((point - 0x10000) & 0x3FF);
    }
    out += U16(point);
  }
  return out;
}

// A value as aMule's config writer stores it.
std::string AmuleValue(const std::string& value) {
  std::string escaped;
  for (char c : value) {
    if (c == '\\' || c == '"') escaped += '\\';
    escaped += c;
  }
  return !value.empty() && value[0] == ' ' ? '"' + escaped + '"' : escaped;
}

}  // namespace

SampleFileHashes HashSampleBytes(const std::string& bytes) {
  SampleFileHashes hashes;
  size_t at = 0;
  HashStream(bytes.size(), [&](char* out, size_t count) {
    std::copy(bytes.begin() + at, bytes.begin() + at + count, out);
    at += count;
    return true;
  }, &hashes);
  return hashes;
}

bool HashSampleFile(const std::string& path, SampleFileHashes* hashes) {
  std::error_code error;
  const uint64_t size = std::filesystem::file_size(std::filesystem::u8path(path), error);
  std::ifstream in(std::filesystem::u8path(path), std::ios::binary);
  if (error || !in) return false;
  return HashStream(size, [&in](char* out, size_t count) {
    return bool(in.read(out, std::streamsize(count)));
  }, hashes);
}

SampleKnownRecord SampleKnownRecordOf(const std::string& name, uint32_t time,
                                      const SampleFileHashes& hashes) {
  SampleKnownRecord record;
  record.time = time;
  record.fileHash = hashes.fileHash;
  record.partHashes = hashes.partHashes;
  record.name = name;
  record.size = hashes.size;
  record.aichRoot = hashes.aichRoot;
  return record;
}

std::string EncodeSampleKnownRecord(const SampleKnownRecord& record) {
  std::vector<SampleTag> tags;
  if (!record.name.empty()) {
    tags.push_back(SampleTextTag("\x01", record.name));
    tags.push_back(SampleTextTag("\x01", Universal(record.name)));
  }
  if (record.sizeTag) {
    tags.push_back(IsLargeSampleDownload(record.size)
                       ? SampleUInt64Tag("\x02", record.size)
                       : SampleNumberTag("\x02", uint32_t(record.size)));
  }
  for (const char* statistic : {"\x50", "\x54", "\x51", "\x52"}) tags.push_back(SampleNumberTag(statistic, 0));
  tags.push_back(SampleNumberTag("\x19", 5));  // upload priority: auto
  if (!record.aichRoot.empty()) tags.push_back(SampleTextTag("\x27", SampleBase32(record.aichRoot)));
  tags.insert(tags.end(), record.extraTags.begin(), record.extraTags.end());
  std::string bytes = U32(record.time) + record.fileHash + U16(uint32_t(record.partHashes.size() / 16)) +
                      record.partHashes + U32(uint32_t(tags.size()));
  for (const SampleTag& tag : tags) bytes += EncodeSampleTag(tag);
  return bytes;
}

std::string EncodeSampleKnownMet(const std::vector<SampleKnownRecord>& records) {
  bool large = false;
  std::string body;
  for (const SampleKnownRecord& record : records) {
    large = large || IsLargeSampleDownload(record.size);
    body += EncodeSampleKnownRecord(record);
  }
  return std::string(1, large ? '\x0F' : '\x0E') + U32(uint32_t(records.size())) + body;
}

std::string EncodeSampleKnown2Met(const std::vector<SampleFileHashes>& files) {
  std::string bytes(1, '\x02');
  for (const SampleFileHashes& file : files)
    bytes += file.aichRoot + U32(uint32_t(file.blockHashes.size() / kSha1Bytes)) + file.blockHashes;
  return bytes;
}

bool WriteSampleKnownFiles(const std::string& folder, const std::vector<std::string>& paths,
                           std::string* error) {
  std::vector<SampleKnownRecord> records;
  std::vector<SampleFileHashes> files;
  for (const std::string& path : paths) {
    SampleFileHashes hashes;
    std::optional<int64_t> time = ModificationTime(path);
    if (!time || !HashSampleFile(path, &hashes)) {
      *error = "cannot hash " + path;
      return false;
    }
    const std::string name = std::filesystem::u8path(path).filename().u8string();
    records.push_back(SampleKnownRecordOf(name, uint32_t(*time), hashes));
    files.push_back(hashes);
  }
  const std::filesystem::path base = std::filesystem::u8path(folder);
  for (const auto& [name, bytes] : {std::make_pair("known.met", EncodeSampleKnownMet(records)),
                                    std::make_pair("known2_64.met", EncodeSampleKnown2Met(files))}) {
    std::ofstream out(base / name, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), std::streamsize(bytes.size()));
    if (!out) {
      *error = "cannot write " + (base / name).u8string();
      return false;
    }
  }
  return true;
}

std::string SampleAmuleConf(const std::string& incoming, const std::string& temp) {
  std::ostringstream conf;
  conf << "[eMule]\nPort=4662\nUDPEnable=0\nAutoconnect=0\nConnectToKad=0\nConnectToED2K=0\n"
       << "TempDir=" << AmuleValue(Universal(temp)) << "\n"
       << "IncomingDir=" << AmuleValue(Universal(incoming)) << "\n"
       << "OSDirectory=/\n[ExternalConnect]\nAcceptExternalConnections=0\n";
  return conf.str();
}

std::string SampleEmulePreferences(const std::string& incoming, const std::vector<std::string>& temp) {
  std::string tempDirs;
  for (const std::string& folder : temp) tempDirs += (tempDirs.empty() ? "" : "|") + folder;
  const std::string text = "[eMule]\r\nAppVersion=0.60d\r\nNick=sample\r\nIncomingDir=" + incoming +
                           "\r\nTempDir=" + (temp.empty() ? "" : temp[0]) + "\r\nTempDirs=" + tempDirs +
                           "\r\nMaxUpload=10\r\n[Statistics]\r\nTotalDownloadedBytes=0\r\n";
  return "\xFF\xFE" + Utf16Le(text);
}

std::string SampleSharedDirs(const std::vector<std::string>& folders, bool emule) {
  std::string text;
  for (const std::string& folder : folders) text += folder + (emule ? "\r\n" : "\n");
  return emule ? "\xFF\xFE" + Utf16Le(text) : text;
}
