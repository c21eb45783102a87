#include "rewrite/part_check.h"

#include <cstring>

#include "hash/hash_routines.h"
#include "platform/console.h"
#include "platform/disk.h"
#include "rewrite/rewrite_messages.h"

namespace {

// The mark behind a part's digest: sound, corrupt, or not judged at all.
const char* PartMark(bool incomplete, bool sound) {
  if (incomplete) return kMarkIncomplete;
  return sound ? kMarkSound : kMarkCorrupt;
}

bool Sound(const MetImage& image, const MetHeader& header, uint32_t part, const PartDigest& digest) {
  return std::memcmp(digest.data(), PartHash(image, header, part), 16) == 0;
}

// Grows the first gap that touches the part, or adds one over it. A gap
// whose end lies before its start (tags a damaged file paired up) is no
// range: grown, it would still not cover the part, and the client would
// take the corrupt bytes for downloaded data.
void MakeGap(GapTable& gaps, uint32_t part, uint64_t start, uint64_t end, Console& console) {
  Print(console, kMsgPartCorrupt, static_cast<int>(part));
  for (size_t index = 0; index < gaps.size(); ++index) {
    MetGap& gap = gaps[index];
    if (gap.start > gap.end) {
      continue;
    } else if (gap.start == end) {
      gap.start -= kPartSize;
    } else if (gap.end == start) {
      gap.end += kPartSize;
    } else {
      continue;
    }
    gap.fault = GapFault::None;  // it covers the part now
    Print(console, kMsgGapExpanded, static_cast<int>(index), gap.start, gap.end);
    return;
  }
  MetGap added;
  added.start = start;
  added.end = end;
  added.startStored = added.endStored = true;
  gaps.push_back(added);
  Print(console, kMsgGapAdded, start, end);
}

}  // namespace

bool OverlapsAGap(const GapTable& gaps, uint64_t start, uint64_t end) {
  for (const MetGap& gap : gaps) {
    if (gap.start < end && gap.end > start && gap.start < gap.end) return true;
  }
  return false;
}

std::optional<std::vector<PartDigest>> HashParts(const MetImage& image, const MetHeader& header,
                                                 const GapTable& gaps, File& data,
                                                 const std::string& partPath, Disk& disk,
                                                 Console& console, const PartHashOptions& options) {
  std::vector<PartDigest> digests;
  console.Write(kMsgCalculating);
  PartHashing hashing(disk, data, header.partCount, options);
  for (uint32_t part = 0; part < header.partCount; ++part) {
    const PartOutcome outcome = hashing.Wait(part);
    if (!outcome.ok) {
      Print(console, kMsgReadFailed, partPath.c_str(), outcome.error);
      return std::nullopt;
    }
    const PartDigest& digest = outcome.digest;
    const uint64_t start = part * kPartSize;
    const bool incomplete = OverlapsAGap(gaps, start, start + kPartSize);
    Print(console, kMsgCalculatedHash, static_cast<int>(part), HashText(digest.data()).c_str(),
          PartMark(incomplete, Sound(image, header, part, digest)));
    digests.push_back(digest);
  }
  return digests;
}

void RepairGaps(const MetImage& image, const MetHeader& header,
                const std::vector<PartDigest>& digests, GapTable& gaps, Console& console) {
  for (uint32_t part = 0; part < header.partCount && part < digests.size(); ++part) {
    const uint64_t start = part * kPartSize;
    const uint64_t end = start + kPartSize;
    if (OverlapsAGap(gaps, start, end)) continue;
    if (Sound(image, header, part, digests[part])) continue;
    MakeGap(gaps, part, start, end, console);
  }
}
