#include "sample/sample_data.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <map>
#include <optional>

#include "hash/aich_hash_set.h"
#include "hash/aich_tree.h"
#include "hash/md4.h"

namespace {

constexpr size_t kChunk = 1 << 20;

uint64_t Mix(uint64_t x) {
  x += 0x9E3779B97F4A7C15ull;
  x = (x ^ (x >> 30)) * 0xBF58476D1CE4E5B9ull;
  x = (x ^ (x >> 27)) * 0x94D049BB133111EBull;
  return x ^ (x >> 31);
}

// The ranges of the download that hold pseudo-random bytes, cut to the file.
std::vector<SampleGap> DataRegions(const SampleDownload& download) {
  if (download.dataRegions.empty()) return {{0, download.fileSize}};
  std::vector<SampleGap> regions;
  for (const SampleGap& region : download.dataRegions) {
    uint64_t end = std::min(region.end, download.fileSize);
    if (region.start < end) regions.push_back({region.start, end});
  }
  return regions;
}

// The gaps inside the file, sorted and merged where they overlap or touch.
std::vector<SampleGap> MergedGaps(const SampleDownload& download) {
  std::vector<SampleGap> gaps;
  for (const SampleGap& gap : download.gaps) {
    uint64_t end = std::min(gap.end, download.fileSize);
    if (gap.start < end) gaps.push_back({gap.start, end});
  }
  std::sort(gaps.begin(), gaps.end(),
            [](const SampleGap& a, const SampleGap& b) { return a.start < b.start; });
  std::vector<SampleGap> merged;
  for (const SampleGap& gap : gaps) {
    if (!merged.empty() && gap.start <= merged.back().end)
      merged.back().end = std::max(merged.back().end, gap.end);
    else
      merged.push_back(gap);
  }
  return merged;
}

enum class Fill { Content, Zeros };

bool WriteRange(std::ostream& out, const SampleDownload& download, uint64_t from, uint64_t to,
                Fill fill) {
  std::vector<uint8_t> chunk(static_cast<size_t>(std::min<uint64_t>(kChunk, to - from)));
  out.seekp(static_cast<std::streamoff>(from));
  for (uint64_t at = from; at < to && out;) {
    size_t count = static_cast<size_t>(std::min<uint64_t>(chunk.size(), to - at));
    if (fill == Fill::Content) SampleBytes(download.seed, at, chunk.data(), count);
    out.write(reinterpret_cast<const char*>(chunk.data()), static_cast<std::streamsize>(count));
    at += count;
  }
  return bool(out);
}

// Writes one data region: its bytes outside the gaps, and inside them what
// the download asks for.
bool WriteRegion(std::ostream& out, const SampleDownload& download,
                 const std::vector<SampleGap>& gaps, SampleGap region) {
  uint64_t at = region.start;
  for (const SampleGap& gap : gaps) {
    if (gap.end <= at || gap.start >= region.end) continue;
    uint64_t start = std::max(gap.start, at), end = std::min(gap.end, region.end);
    if (at < start && !WriteRange(out, download, at, start, Fill::Content)) return false;
    bool written = true;
    if (download.gapContent == SampleGapContent::Data)
      written = WriteRange(out, download, start, end, Fill::Content);
    else if (download.gapContent == SampleGapContent::Zeros)
      written = WriteRange(out, download, start, end, Fill::Zeros);
    if (!written) return false;
    at = end;
  }
  return at >= region.end || WriteRange(out, download, at, region.end, Fill::Content);
}

std::string Digest(Md4Context& context) {
  Md4Final(&context);
  return std::string(reinterpret_cast<const char*>(context.digest), 16);
}

std::string ZeroDigest(uint64_t length) {
  const std::vector<uint8_t> zeros(kChunk, 0);
  Md4Context context;
  Md4Init(&context);
  for (uint64_t left = length; left > 0;) {
    uint32_t count = static_cast<uint32_t>(std::min<uint64_t>(kChunk, left));
    Md4Update(&context, zeros.data(), count);
    left -= count;
  }
  return Digest(context);
}

bool HoldsData(const std::vector<SampleGap>& regions, uint64_t from, uint64_t to) {
  for (const SampleGap& region : regions) {
    if (region.start < to && region.end > from) return true;
  }
  return false;
}

// The byte a corrupt part is damaged at: its middle or the first downloaded
// byte after it (else before it), so that the damage is to data the client
// holds. A part wholly inside gaps holds none; there the middle is damaged
// unless the gaps are holes, which do not hash right anyway.
std::optional<uint64_t> DamageOffset(const SampleDownload& download,
                                     const std::vector<SampleGap>& gaps, uint32_t part) {
  const uint64_t start = part * kSamplePartSize;
  const uint64_t end = std::min(start + kSamplePartSize, download.fileSize);
  if (start >= end) return std::nullopt;
  uint64_t middle = start + kSamplePartSize / 2;
  if (middle >= end) middle = start;
  for (uint64_t from : {middle, start}) {
    uint64_t at = from;
    for (const SampleGap& gap : gaps) {
      if (gap.end <= at) continue;
      if (gap.start > at) break;
      at = gap.end;
    }
    if (at < end) return at;
  }
  if (download.gapContent == SampleGapContent::Holes) return std::nullopt;
  return middle;
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

void SampleContent(const SampleDownload& download, uint64_t offset, uint8_t* out, size_t count) {
  std::fill(out, out + count, uint8_t(0));
  for (const SampleGap& region : DataRegions(download)) {
    uint64_t start = std::max(region.start, offset), end = std::min(region.end, offset + count);
    if (start < end)
      SampleBytes(download.seed, start, out + (start - offset), static_cast<size_t>(end - start));
  }
}

uint32_t SamplePartHashCount(uint64_t fileSize) {
  return fileSize < kSamplePartSize ? 0 : static_cast<uint32_t>(fileSize / kSamplePartSize + 1);
}

SampleAichSet SampleAichHashes(const SampleDownload& download) {
  const std::vector<SampleGap> regions = DataRegions(download);
  const uint64_t size = download.fileSize;
  // Parts of zeros hash alike for their length and side: once each.
  std::map<std::pair<uint64_t, int>, AichHash> zeroHashes;
  std::vector<uint8_t> chunk(kChunk);
  std::vector<AichHash> parts;
  AichPartHasher hasher;
  for (uint32_t part = 0; part < AichPartCount(size); ++part) {
    const uint64_t start = part * kSamplePartSize;
    const uint64_t end = std::min(start + kSamplePartSize, size);
    const AichSide side = AichPartSide(size, part);
    const auto key = std::make_pair(end - start, static_cast<int>(side));
    const bool zeros = !HoldsData(regions, start, end);
    if (zeros && zeroHashes.count(key)) {
      parts.push_back(zeroHashes[key]);
      continue;
    }
    for (uint64_t at = start; at < end;) {
      const size_t count = static_cast<size_t>(std::min<uint64_t>(kChunk, end - at));
      SampleContent(download, at, chunk.data(), count);
      hasher.Update(chunk.data(), count);
      at += count;
    }
    AichHash hash{};
    hasher.Finish(side, &hash);
    if (zeros) zeroHashes[key] = hash;
    parts.push_back(hash);
  }
  AichHash root{};
  AichRootOfParts(size, parts, &root);
  SampleAichSet set;
  set.rootText = AichHashToBase32(root);
  const std::string rootBytes(root.begin(), root.end());
  const uint32_t stored = parts.size() > 1 ? static_cast<uint32_t>(parts.size()) : 0;
  set.blob = rootBytes + std::string{char(stored & 0xFF), char(stored >> 8)};
  for (uint32_t i = 0; i < stored; ++i) set.blob.append(parts[i].begin(), parts[i].end());
  return set;
}

std::string SamplePartHashes(const SampleDownload& download) {
  const std::vector<SampleGap> regions = DataRegions(download);
  // Most parts of a large sparse download are zeros: a full one and the
  // shorter last one are hashed once each.
  std::map<uint64_t, std::string> zeroDigests;
  std::vector<uint8_t> chunk(kChunk);
  std::string hashes;
  for (uint32_t part = 0; part < SamplePartHashCount(download.fileSize); ++part) {
    const uint64_t start = std::min(part * kSamplePartSize, download.fileSize);
    const uint64_t end = std::min(start + kSamplePartSize, download.fileSize);
    if (!HoldsData(regions, start, end)) {
      auto known = zeroDigests.find(end - start);
      if (known == zeroDigests.end())
        known = zeroDigests.emplace(end - start, ZeroDigest(end - start)).first;
      hashes += known->second;
      continue;
    }
    Md4Context context;
    Md4Init(&context);
    for (uint64_t at = start; at < end;) {
      uint32_t count = static_cast<uint32_t>(std::min<uint64_t>(kChunk, end - at));
      SampleContent(download, at, chunk.data(), count);
      Md4Update(&context, chunk.data(), count);
      at += count;
    }
    hashes += Digest(context);
  }
  return hashes;
}

std::string HashSampleParts(const std::string& dataPath, uint64_t fileSize) {
  std::ifstream in(std::filesystem::u8path(dataPath), std::ios::binary);
  std::string hashes;
  std::vector<char> chunk(kChunk);
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
    hashes += Digest(context);
  }
  return hashes;
}

bool WriteSampleData(const std::string& path, const SampleDownload& download) {
  {
    std::ofstream create(std::filesystem::u8path(path), std::ios::binary | std::ios::trunc);
    if (!create) return false;
  }
  std::error_code error;
  std::filesystem::resize_file(std::filesystem::u8path(path), download.fileSize, error);
  if (error) return false;
  std::fstream out(std::filesystem::u8path(path), std::ios::binary | std::ios::in | std::ios::out);
  if (!out) return false;
  const std::vector<SampleGap> gaps = MergedGaps(download);
  for (const SampleGap& region : DataRegions(download)) {
    if (!WriteRegion(out, download, gaps, region)) return false;
  }
  return true;
}

bool DamageSampleParts(const std::string& path, const SampleDownload& download) {
  const std::vector<SampleGap> gaps = MergedGaps(download);
  std::fstream file(std::filesystem::u8path(path), std::ios::binary | std::ios::in | std::ios::out);
  for (uint32_t part : download.corruptParts) {
    std::optional<uint64_t> at = DamageOffset(download, gaps, part);
    if (!at) continue;
    char byte = 0;
    file.seekg(static_cast<std::streamoff>(*at));
    file.read(&byte, 1);
    byte = static_cast<char>(~byte);
    file.seekp(static_cast<std::streamoff>(*at));
    file.write(&byte, 1);
  }
  return bool(file);
}
