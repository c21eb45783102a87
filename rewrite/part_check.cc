#include "rewrite/part_check.h"

#include <array>
#include <cinttypes>
#include <cstring>
#include <vector>

#include "gaps/part_file_path.h"
#include "hash/hash_routines.h"
#include "platform/console.h"
#include "platform/disk.h"

namespace {

using Digest = std::array<uint8_t, 16>;

std::string Hex(const uint8_t* bytes) {
  std::string hex;
  for (int i = 0; i < 16; ++i) hex += Format("%.2x", bytes[i]);
  return hex;
}

// True when some gap holds a byte of the part. Such a part is not wholly
// downloaded: its gap bytes are no data, so its digest cannot match, and the
// clients themselves check only complete parts.
bool OverlapsAGap(const GapTable& gaps, uint64_t start, uint64_t end) {
  for (const GapEntry& gap : gaps) {
    if (gap.start < end && gap.end > start && gap.start < gap.end) return true;
  }
  return false;
}

// The mark behind a part's digest: sound, corrupt, or not judged at all.
const char* PartMark(bool incomplete, bool sound) {
  if (incomplete) return " [-] incomplete, not checked";
  return sound ? " [x] " : " [ ]";
}

bool HashParts(const MetImage& image, const RewriteState& state, const std::string& partPath,
               const HashRoutines& routines, Disk& disk, Console& console,
               std::vector<Digest>* digests) {
  const MetHeader& header = state.header;
  OpenResult opened = disk.OpenForReading(partPath);
  if (opened.refusal != OpenRefusal::None) {
    console.Write(RefusalMessage(partPath, opened.refusal));
    return false;
  }
  if (opened.error) {
    Print(console, "Error: Can't open partfile %s\n", partPath.c_str());
    return false;
  }
  console.Write("Calculating hashs ...\n");
  for (uint32_t part = 0; part < header.partCount; ++part) {
    Digest digest;
    if (int error = HashFileRange(routines, disk, opened.file, digest.data(), part * kPartSize,
                                  kPartSize)) {
      Print(console, "Error: reading '%s' failed (Error %d)\n", partPath.c_str(), error);
      return false;
    }
    const uint64_t start = part * kPartSize;
    const bool incomplete = OverlapsAGap(state.gaps, start, start + kPartSize);
    const bool sound = std::memcmp(digest.data(), PartHash(image, header, part), 16) == 0;
    Print(console, "Calculated Hash %03d: %s%s\n", part, Hex(digest.data()).c_str(),
          PartMark(incomplete, sound));
    digests->push_back(digest);
  }
  return true;
}

// Grows the first gap that touches the part, or adds one over it. A gap
// whose end lies before its start (tags a damaged file paired up) is no
// range: grown, it would still not cover the part, and the client would
// take the corrupt bytes for downloaded data.
void MakeGap(GapTable& gaps, uint32_t part, uint64_t start, uint64_t end, Console& console) {
  Print(console, "Part %d is corrupt, ", static_cast<int>(part));
  for (size_t index = 0; index < gaps.size(); ++index) {
    GapEntry& gap = gaps[index];
    if (gap.start > gap.end) {
      continue;
    } else if (gap.start == end) {
      gap.start -= kPartSize;
    } else if (gap.end == start) {
      gap.end += kPartSize;
    } else {
      continue;
    }
    Print(console, "Gap %d was expanded to %" PRIx64 " .. %" PRIx64 "\n", static_cast<int>(index),
          gap.start, gap.end);
    return;
  }
  gaps.push_back(GapEntry{start, end});
  Print(console, "New Gap %" PRIx64 " .. %" PRIx64 " was added\n", start, end);
}

}  // namespace

bool CheckParts(const MetImage& image, RewriteState& state, const std::string& partPath,
                const HashRoutines& routines, Disk& disk, Console& console) {
  std::vector<Digest> digests;
  if (!HashParts(image, state, partPath, routines, disk, console, &digests)) return false;
  for (uint32_t part = 0; part < state.header.partCount; ++part) {
    const uint64_t start = part * kPartSize;
    const uint64_t end = start + kPartSize;
    if (OverlapsAGap(state.gaps, start, end)) continue;
    if (std::memcmp(digests[part].data(), PartHash(image, state.header, part), 16) == 0) continue;
    MakeGap(state.gaps, part, start, end, console);
  }
  return true;
}
