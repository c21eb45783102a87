#include "judge/part_judgement.h"

#include <algorithm>
#include <cstring>

#include "hash/md4.h"
#include "met/corrupted_parts.h"
#include "met/part_layout.h"
#include "platform/console.h"
#include "judge/judge_messages.h"

namespace {

bool HashesToFileHash(const MetImage& image, const MetHeader& header) {
  Md4Context context;
  Md4Init(&context);
  Md4Update(&context, image.data() + header.partHashes, 16u * header.partCount);
  Md4Final(&context);
  return std::memcmp(context.digest, header.fileHash, 16) == 0;
}

}  // namespace


HashTrust JudgeHashes(const MetImage& image, const MetFile& file) {
  if (file.fileSize == 0) return HashTrust::NoSize;
  const uint64_t expected = ExpectedPartHashCount(file.fileSize);
  const uint16_t stored = file.header.partCount;
  if (stored == 0) return expected == 0 ? HashTrust::FileHash : HashTrust::NoneYet;
  if (stored != expected) return HashTrust::WrongCount;
  return HashesToFileHash(image, file.header) ? HashTrust::PartHashes : HashTrust::Mismatch;
}

AichTrust JudgeAichHashes(const MetFile& file) {
  AichTrust aich;
  aich.present = file.hasAichHashSet && file.fileSize != 0;
  if (aich.present) aich.check = CheckAichHashSet(file.fileSize, file.aichHashSet, file.aichRoot, &aich.set);
  return aich;
}

std::string AichIgnoredLine(const AichTrust& aich) {
  if (!aich.present || aich.Judges()) return "";
  const char* why = aich.check == AichSetCheck::kMalformed    ? "is not a set for a download of this size"
                    : aich.check == AichSetCheck::kTreeBroken ? "has part hashes that do not make its root"
                                                              : "has another root than the file names";
  return Format(kMsgAichIgnored, why);
}

std::string UntrustedLine(HashTrust trust, const MetFile& file, bool byAich) {
  if (byAich) {
    std::string why = trust == HashTrust::NoneYet    ? "the client has none yet"
                      : trust == HashTrust::Mismatch ? "they do not match the file hash"
                                                     : Format("there are %u, where a download of %llu bytes has %llu",
                                                              static_cast<unsigned>(file.header.partCount),
                                                              static_cast<unsigned long long>(file.fileSize),
                                                              static_cast<unsigned long long>(ExpectedPartHashCount(file.fileSize)));
    return Format(kMsgJudgedByAichAlone, why.c_str());
  }
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

uint32_t CheckedPartCount(const MetFile& file, HashTrust trust, bool byAich) {
  if (trust == HashTrust::FileHash) return 1;
  if (trust == HashTrust::PartHashes) return file.header.partCount;
  return byAich ? AichPartCount(file.fileSize) : 0;
}

bool OverlapsAGap(const GapTable& gaps, uint64_t start, uint64_t end) {
  for (const MetGap& gap : gaps) {
    if (gap.IsValid() && gap.start < end && gap.end > start && gap.start < gap.end) return true;
  }
  return false;
}

namespace {

PartVerdict Verdict(const PartJudging& judging, uint32_t part, bool judged, bool matches) {
  const ByteRange range = PartRange(part, judging.file.fileSize);
  if (!judged) return PartVerdict::Incomplete;
  // The empty last part of an exact multiple holds nothing to fetch again.
  if (range.start == range.end) return matches ? PartVerdict::Sound : PartVerdict::Incomplete;
  // Bytes the data file lacks were never downloaded, whatever they hash to.
  if (range.end > judging.dataLength) return PartVerdict::Incomplete;
  if (OverlapsAGap(judging.gaps, range.start, range.end))
    return matches ? PartVerdict::FoundComplete : PartVerdict::Incomplete;
  return matches ? PartVerdict::Sound : PartVerdict::Corrupt;
}

}  // namespace

PartFinding JudgePart(const PartJudging& judging, uint32_t part, const PartOutcome& hashed) {
  PartFinding finding;
  finding.digest = hashed.digest;
  finding.md4Judged = CanJudge(judging.trust);
  if (finding.md4Judged) {
    const uint8_t* stored = judging.trust == HashTrust::FileHash
                                ? judging.file.header.fileHash
                                : PartHash(judging.image, judging.file.header, part);
    finding.md4Agrees = std::memcmp(hashed.digest.data(), stored, 16) == 0;
  }
  // A part without an AICH hash (the empty last MD4 part, a failed SHA-1)
  // is judged by MD4 alone.
  finding.aichJudged = judging.aich && part < judging.aich->parts.size() && hashed.aich;
  if (finding.aichJudged) finding.aichAgrees = *hashed.aich == judging.aich->parts[part];
  const bool judged = finding.md4Judged || finding.aichJudged;
  const bool agree = (!finding.md4Judged || finding.md4Agrees) && (!finding.aichJudged || finding.aichAgrees);
  finding.verdict = Verdict(judging, part, judged, agree);
  return finding;
}

std::string PartMark(const PartFinding& finding) {
  const PartVerdict verdict = finding.verdict;
  std::string mark = verdict == PartVerdict::Sound           ? kMarkSound
                     : verdict == PartVerdict::Corrupt       ? kMarkCorrupt
                     : verdict == PartVerdict::FoundComplete ? kMarkFoundComplete
                                                             : kMarkIncomplete;
  // Without an AICH set the marks are the ones users have always seen.
  if (!finding.aichJudged || verdict == PartVerdict::Incomplete) return mark;
  if (verdict == PartVerdict::Corrupt) mark += ' ';
  if (verdict == PartVerdict::FoundComplete) mark += ", ";
  if (finding.md4Judged && finding.md4Agrees == finding.aichAgrees)
    return mark + (finding.md4Agrees ? "MD4 and AICH agree" : "MD4 and AICH differ");
  if (!finding.md4Judged) return mark + (finding.aichAgrees ? "AICH agrees" : "AICH differs");
  return mark + (finding.md4Agrees ? "MD4 agrees, AICH differs" : "MD4 differs, AICH agrees");
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
