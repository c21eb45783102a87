#include "judge/part_check.h"

#include <algorithm>

#include "hash/hash_routines.h"
#include "platform/console.h"
#include "platform/disk.h"
#include "judge/judge_messages.h"

namespace {

MetGap StoredGap(uint64_t start, uint64_t end) {
  MetGap gap;
  gap.start = start;
  gap.end = end;
  gap.startStored = gap.endStored = true;
  return gap;
}

// Grows the first gap that touches the part, or adds one over it. A gap
// whose end lies before its start (tags a damaged file paired up) is no
// range: grown, it would still not cover the part, and the client would
// take the corrupt bytes for downloaded data.
void MakeGap(GapTable& gaps, uint32_t part, const ByteRange& range, Console& console) {
  Print(console, kMsgPartCorrupt, static_cast<int>(part));
  for (size_t index = 0; index < gaps.size(); ++index) {
    MetGap& gap = gaps[index];
    if (gap.start > gap.end) {
      continue;
    } else if (gap.start == range.end) {
      gap.start = range.start;
    } else if (gap.end == range.start) {
      gap.end = range.end;
    } else {
      continue;
    }
    gap.fault = GapFault::None;  // it covers the part now
    Print(console, kMsgGapExpanded, static_cast<int>(index), gap.start, gap.end);
    return;
  }
  gaps.push_back(StoredGap(range.start, range.end));
  Print(console, kMsgGapAdded, range.start, range.end);
}

// The pieces of `piece` outside `cut`: none, one or two, in order.
std::vector<ByteRange> Without(const ByteRange& piece, const ByteRange& cut) {
  if (cut.end <= piece.start || cut.start >= piece.end) return {piece};
  std::vector<ByteRange> left;
  if (piece.start < cut.start) left.push_back({piece.start, cut.start});
  if (cut.end < piece.end) left.push_back({cut.end, piece.end});
  return left;
}

// Takes `range` out of every valid gap, splitting one that holds it inside;
// a gap that is no range, or does not meet it, is left as it is.
void RemoveFromGaps(GapTable& gaps, const ByteRange& range) {
  GapTable kept;
  for (const MetGap& gap : gaps) {
    if (!gap.IsValid() || gap.end <= range.start || gap.start >= range.end) {
      kept.push_back(gap);
      continue;
    }
    for (const ByteRange& piece : Without({gap.start, gap.end}, range))
      kept.push_back(StoredGap(piece.start, piece.end));
  }
  gaps = std::move(kept);
}

// The pieces of [start, end) that no valid gap holds, in order.
std::vector<ByteRange> Uncovered(const GapTable& gaps, uint64_t start, uint64_t end) {
  std::vector<ByteRange> pieces{{start, end}};
  for (const MetGap& gap : gaps) {
    if (!gap.IsValid()) continue;
    std::vector<ByteRange> left;
    for (const ByteRange& piece : pieces) {
      for (const ByteRange& rest : Without(piece, {gap.start, gap.end})) left.push_back(rest);
    }
    pieces = std::move(left);
  }
  return pieces;
}

}  // namespace

std::optional<std::vector<PartFinding>> HashParts(const PartJudging& judging, File& data,
                                                  const std::string& partPath, Disk& disk,
                                                  Console& console, PartHashOptions options) {
  const uint32_t parts = CheckedPartCount(judging.file, judging.trust, judging.aich != nullptr);
  std::vector<PartFinding> findings;
  console.Write(kMsgCalculating);
  PartHashing hashing(disk,
                      DownloadPartSpans(data, judging.file.fileSize, PartsBelow(parts),
                                        judging.aich != nullptr),
                      options);
  for (uint32_t part = 0; part < parts; ++part) {
    const PartOutcome outcome = hashing.Wait(part);
    if (!outcome.ok) {
      Print(console, kMsgReadFailed, partPath.c_str(), outcome.error);
      return std::nullopt;
    }
    const PartFinding finding = JudgePart(judging, part, outcome);
    Print(console, kMsgCalculatedHash, static_cast<int>(part), HashText(outcome.digest.data()).c_str(),
          PartMark(finding).c_str());
    findings.push_back(finding);
  }
  return findings;
}

std::vector<PartVerdict> Verdicts(const std::vector<PartFinding>& findings) {
  std::vector<PartVerdict> verdicts;
  for (const PartFinding& finding : findings) verdicts.push_back(finding.verdict);
  return verdicts;
}

void RepairGaps(const std::vector<PartVerdict>& verdicts, uint64_t size, uint64_t dataLength,
                GapTable& gaps, Console& console) {
  for (uint32_t part = 0; part < verdicts.size(); ++part) {
    if (verdicts[part] == PartVerdict::FoundComplete) RemoveFromGaps(gaps, PartRange(part, size));
  }
  if (dataLength < size) {
    for (const ByteRange& piece : Uncovered(gaps, dataLength, size)) {
      gaps.push_back(StoredGap(piece.start, piece.end));
      Print(console, kMsgMissingGap, piece.start, piece.end);
    }
  }
  for (uint32_t part = 0; part < verdicts.size(); ++part) {
    if (verdicts[part] == PartVerdict::Corrupt) MakeGap(gaps, part, PartRange(part, size), console);
  }
}

std::string CheckSummary(const std::vector<PartFinding>& findings) {
  unsigned sound = 0, found = 0, incomplete = 0, byMd4 = 0, byAich = 0;
  bool aichJudged = false;
  std::string corrupt;
  unsigned corruptCount = 0;
  for (uint32_t part = 0; part < findings.size(); ++part) {
    const PartFinding& finding = findings[part];
    const bool judged = finding.verdict != PartVerdict::Incomplete;
    byMd4 += judged && finding.md4Judged;
    byAich += judged && finding.aichJudged;
    aichJudged |= finding.aichJudged;
    switch (finding.verdict) {
      case PartVerdict::Sound: ++sound; break;
      case PartVerdict::FoundComplete: ++found; break;
      case PartVerdict::Incomplete: ++incomplete; break;
      case PartVerdict::Corrupt:
        corrupt += (corruptCount++ ? "," : "") + std::to_string(part);
        break;
    }
  }
  std::string text = std::to_string(sound) + " sound";
  if (found) text += ", " + std::to_string(found) + " complete inside a gap";
  text += ", " + std::to_string(corruptCount) + " corrupt";
  if (corruptCount) text += " (" + corrupt + ")";
  if (incomplete) text += ", " + std::to_string(incomplete) + " not judged (not downloaded whole)";
  if (aichJudged)
    text += "; judged by MD4 " + std::to_string(byMd4) + ", by AICH " + std::to_string(byAich);
  return Format(kMsgCheckSummary, text.c_str());
}

bool SameGaps(const GapTable& a, const GapTable& b) {
  return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](const MetGap& x, const MetGap& y) {
    return x.start == y.start && x.end == y.end && x.startStored == y.startStored &&
           x.endStored == y.endStored;
  });
}
