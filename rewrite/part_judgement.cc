#include "rewrite/part_judgement.h"

#include <algorithm>
#include <cstring>

#include "hash/hash_routines.h"
#include "hash/md4.h"
#include "met/corrupted_parts.h"
#include "platform/console.h"
#include "rewrite/rewrite_messages.h"

namespace {

bool HashesToFileHash(const MetImage& image, const MetHeader& header) {
  Md4Context context;
  Md4Init(&context);
  Md4Update(&context, image.data() + header.partHashes, 16u * header.partCount);
  Md4Final(&context);
  return std::memcmp(context.digest, header.fileHash, 16) == 0;
}

}  // namespace

uint64_t ExpectedPartHashCount(uint64_t size) {
  return size < kPartSize ? 0 : size / kPartSize + 1;
}

uint64_t DownloadPartCount(uint64_t size) { return (size + kPartSize - 1) / kPartSize; }

ByteRange PartRange(uint64_t part, uint64_t size) {
  const uint64_t start = std::min(part * kPartSize, size);
  return ByteRange{start, std::min(start + kPartSize, size)};
}

HashTrust JudgeHashes(const MetImage& image, const MetFile& file) {
  if (file.fileSize == 0) return HashTrust::NoSize;
  const uint64_t expected = ExpectedPartHashCount(file.fileSize);
  const uint16_t stored = file.header.partCount;
  if (stored == 0) return expected == 0 ? HashTrust::FileHash : HashTrust::NoneYet;
  if (stored != expected) return HashTrust::WrongCount;
  return HashesToFileHash(image, file.header) ? HashTrust::PartHashes : HashTrust::Mismatch;
}

std::string UntrustedLine(HashTrust trust, const MetFile& file) {
  switch (trust) {
    case HashTrust::NoneYet:
      return kMsgNoPartHashes;
    case HashTrust::WrongCount:
      return Format(kMsgWrongPartHashCount, static_cast<unsigned>(file.header.partCount),
                    static_cast<unsigned long long>(file.fileSize),
                    static_cast<unsigned long long>(ExpectedPartHashCount(file.fileSize)));
    case HashTrust::Mismatch:
      return kMsgPartHashesDamaged;
    case HashTrust::NoSize:
      return kMsgNoSize;
    default:
      return "";
  }
}

uint32_t CheckedPartCount(const MetFile& file, HashTrust trust) {
  if (trust == HashTrust::FileHash) return 1;
  return trust == HashTrust::PartHashes ? file.header.partCount : 0;
}

bool OverlapsAGap(const GapTable& gaps, uint64_t start, uint64_t end) {
  for (const MetGap& gap : gaps) {
    if (gap.IsValid() && gap.start < end && gap.end > start && gap.start < gap.end) return true;
  }
  return false;
}

PartVerdict JudgePart(const PartJudging& judging, uint32_t part, const PartDigest& digest) {
  const ByteRange range = PartRange(part, judging.file.fileSize);
  const uint8_t* stored = judging.trust == HashTrust::FileHash
                              ? judging.file.header.fileHash
                              : PartHash(judging.image, judging.file.header, part);
  const bool matches = std::memcmp(digest.data(), stored, 16) == 0;
  // The empty last part of an exact multiple holds nothing to fetch again.
  if (range.start == range.end) return matches ? PartVerdict::Sound : PartVerdict::Incomplete;
  // Bytes the data file lacks were never downloaded, whatever they hash to.
  if (range.end > judging.dataLength) return PartVerdict::Incomplete;
  if (range.start < range.end && OverlapsAGap(judging.gaps, range.start, range.end))
    return matches ? PartVerdict::FoundComplete : PartVerdict::Incomplete;
  return matches ? PartVerdict::Sound : PartVerdict::Corrupt;
}

std::vector<uint32_t> NewCorruptedParts(const std::vector<uint32_t>& listed,
                                        const std::vector<PartVerdict>& verdicts) {
  std::vector<uint32_t> parts;
  for (uint32_t part : listed) {
    const bool judgedSound = part < verdicts.size() && (verdicts[part] == PartVerdict::Sound ||
                                                        verdicts[part] == PartVerdict::FoundComplete);
    if (!judgedSound) parts.push_back(part);
  }
  for (uint32_t part = 0; part < verdicts.size(); ++part) {
    if (verdicts[part] == PartVerdict::Corrupt) parts.push_back(part);
  }
  std::sort(parts.begin(), parts.end());
  parts.erase(std::unique(parts.begin(), parts.end()), parts.end());
  return parts;
}

std::vector<uint32_t> ListedCorruptParts(const MetFile& file) {
  return ParseCorruptedParts(file.corruptedParts, DownloadPartCount(file.fileSize));
}
