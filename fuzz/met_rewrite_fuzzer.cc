// The rewrite of "/complete" and "/rebuild" in memory. Whenever the input
// decodes without damage, the new file must decode without damage (to the
// independent decoder and to the tool's own reader), with the same header,
// the old file's other tags in order with equal values, the gaps as fresh
// tags, the old bytes after the tags, and a tag count that is the number of
// tags it holds. Whenever the input is damaged, nothing may be written. A
// rebuild never loses a gap and leaves no corrupt part outside a gap.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "app/data_file.h"
#include "app/run_flow.h"
#include "fuzz/fuzz_check.h"
#include "fuzz/fuzz_download.h"
#include "fuzz/tag_match.h"
#include "hash/hash_routines.h"
#include "met/met_file.h"
#include "met/tag_reader.h"
#include "rewrite/met_rewrite.h"
#include "rewrite/part_check.h"
#include "tests/support/memory_disk.h"
#include "tests/support/met_decoder.h"
#include "tests/support/string_console.h"

namespace {

// The old file as the tool's reader sees it.
struct OldFile {
  std::optional<MetHeader> header;
  std::vector<TagRecord> tags;
  uint64_t fileSize = 0;
  bool damaged = true;
};

OldFile ReadOld(const MetImage& image) {
  OldFile old;
  MetDecode decoded = DecodeMetFile(image);
  if (!decoded.file) return old;
  old.header = decoded.file->header;
  for (const MetTag& tag : decoded.file->tags) old.tags.push_back(tag.record);
  old.damaged = !decoded.file->damage.empty();
  old.fileSize = decoded.file->fileSize;
  return old;
}

// Gaps the old file surely holds: an end tag and the start tag just before
// it since the previous end, both numbers, in order.
GapTable SureGaps(const OldFile& old) {
  GapTable gaps;
  std::optional<uint32_t> start;
  for (const TagRecord& tag : old.tags) {
    if (TagHasName(tag, TagIdGapStart)) {
      start.reset();
      if (tag.type == TagUInt32) start = tag.value;
    } else if (TagHasName(tag, TagIdGapEnd)) {
      if (start && tag.type == TagUInt32 && *start <= tag.value) gaps.push_back({*start, tag.value});
      start.reset();
    }
  }
  return gaps;
}

// A rewrite made of the tool's own steps, as a run makes it: the new
// file's bytes, or nothing where the run must refuse. `before` and `after`
// are the gaps before and after the part check; `checked` tells whether the
// data file was read.
struct InMemory {
  std::optional<std::string> written;
  GapTable before, after;
  bool checked = false;
};

InMemory RewriteInMemory(const MetImage& image, RewriteMode mode, MemoryDisk& disk) {
  InMemory result;
  MetDecode decoded = DecodeMetFile(image);
  if (!decoded.file || !decoded.file->damage.empty()) return result;
  const MetFile& file = *decoded.file;
  GapTable gaps = RewritableGaps(file);
  result.before = gaps;
  if (mode == RewriteMode::Rebuild) {
    // The data file is found as a run finds it, the part-file-name tag included.
    const std::string partPath = FindDataFile(kFuzzMetPath, file.partFileNames, nullptr);
    OpenResult data = disk.OpenForReading(partPath);
    if (!data.ok()) return result;
    StringConsole console;
    std::optional<std::vector<PartDigest>> digests =
        HashParts(image, file.header, gaps, data.file, partPath, disk, console);
    if (!digests) return result;
    result.checked = true;
    RepairGaps(image, file.header, *digests, gaps, console);
  }
  result.after = gaps;
  std::optional<uint32_t> count = NewTagCount(file, mode, gaps);
  if (!count) return result;
  EncodedMet encoded = EncodeMetFile(image, file, mode, *count, gaps);
  if (encoded.problem.empty()) result.written = encoded.bytes;
  return result;
}

bool InsideOneOf(const GapTable& gaps, uint64_t start, uint64_t end) {
  for (const MetGap& gap : gaps) {
    if (gap.start <= start && gap.end >= end) return true;
  }
  return false;
}

// The type the clients write a gap bound in: 64-bit in a large download
// and wherever 32 bits do not hold it.
uint8_t BoundType(uint64_t bound, uint64_t fileSize) {
  return fileSize > 4290048000u || bound > 0xFFFFFFFFu ? 0x0B : 0x03;
}

// The new file holds the old header, the old non-gap tags, `gaps` as tags
// named the clients' way, and the old bytes behind the last tag.
void CheckNewFile(const std::string& oldBytes, const MetImage& oldImage, const OldFile& old,
                  const std::string& written, const GapTable& gaps) {
  DecodedMet decoded = DecodeMet(written);
  FuzzCheck(decoded.ok, "the new file decodes without damage");
  const size_t headSize = old.header->firstTag - 4;
  FuzzCheck(decoded.head.compare(1, std::string::npos, oldBytes, 1, headSize - 1) == 0,
            "the new file has the old header");
  bool wide = false;
  for (const DecodedTag& tag : decoded.tags) wide = wide || tag.type == 0x0B;
  const uint8_t version = uint8_t(oldBytes[0]);
  const bool upgraded = version == 0xE0 && old.header->layout == HeaderLayout::FullHeader && wide;
  FuzzCheck(uint8_t(written[0]) == (upgraded ? 0xE2 : version),
            "the version is the old one, or 0xE2 for a full 0xE0 header with 64-bit tags");
  FuzzCheck(decoded.tags.size() == decoded.tagCount, "the tag count is the tags it holds");

  size_t next = 0;
  for (const TagRecord& tag : old.tags) {
    if (IsGapTag(tag)) continue;
    FuzzCheck(next < decoded.tags.size(), "every non-gap tag is kept");
    const DecodedTag& copy = decoded.tags[next++];
    FuzzCheck(RecordMatches(tag, copy) && copy.type == tag.type, "a kept tag keeps its value");
  }
  FuzzCheck(decoded.tags.size() == next + 2 * gaps.size(), "the new file holds the gaps and no more");
  for (size_t index = 0; index < gaps.size(); ++index) {
    const DecodedTag& start = decoded.tags[next + 2 * index];
    const DecodedTag& end = decoded.tags[next + 2 * index + 1];
    FuzzCheck(!start.idForm && start.name == GapTagName(TagIdGapStart, index) &&
                  start.type == BoundType(gaps[index].start, old.fileSize) &&
                  start.number == gaps[index].start,
              "a gap's start tag is written the clients' way");
    FuzzCheck(!end.idForm && end.name == GapTagName(TagIdGapEnd, index) &&
                  end.type == BoundType(gaps[index].end, old.fileSize) &&
                  end.number == gaps[index].end,
              "a gap's end tag is written the clients' way");
  }
  StringConsole console;
  MetImage newImage = MakeMetImage(written.data(), written.size());
  OldFile again = ReadOld(newImage);
  FuzzCheck(!again.damaged && again.header->firstTag == old.header->firstTag,
            "the tool reads the new file whole, with the old header's layout");
  // What followed the tags (the part hashes of the old eDonkey layout) stays.
  const size_t tagsEnd = oldImage.size - decoded.trailer.size();
  FuzzCheck(oldBytes.compare(tagsEnd, std::string::npos, decoded.trailer) == 0 &&
                DecodeMet(oldBytes).trailer == decoded.trailer,
            "the bytes after the tags are kept");
}

// A compact 0xE0 header is told by its first tag's first two bytes: its
// type and the low byte of its name's length. When a rewrite drops that tag
// (a gap tag), or writes its name shorter (a name read up to a NUL byte),
// the new file may read as another layout, and the rewrite must refuse it.
bool MayLoseLayout(const OldFile& old, const std::string& bytes) {
  if (old.header->version != 0xE0 || old.header->layout != HeaderLayout::CompactHeader ||
      old.tags.empty())
    return false;
  const TagRecord& first = old.tags.front();
  const DecodedMet stored = DecodeMet(bytes);
  return IsGapTag(first) || (first.name && first.name->size() != stored.tags.front().name.size());
}

// The whole run of "partsweep X.part.met /complete" (or /rebuild) on the
// memory disk: the metadata file is the new one with the old one as its
// backup, or, when the rewrite gave nothing, the old one alone, with exit
// status 1.
void CheckRun(const std::string& bytes, const std::optional<std::string>& written,
              const char* mode, const std::string* data) {
  MemoryDisk disk;
  disk.PutFile(kFuzzMetPath, bytes);
  if (data) disk.PutFile(kFuzzPartPath, *data);
  StringConsole console;
  const char* args[] = {"partsweep", kFuzzMetPath, mode};
  const int status = RunPartsweep(3, args, disk, console);
  FuzzCheck(disk.OpenFileCount() == 0, "a run closes every file");
  const std::string prefix = data ? std::string(kFuzzPartPath) + " " : "";
  const std::string backup = std::string(kFuzzMetPath) + ".old";
  if (!written) {
    FuzzCheck(status == 1, "a refused rewrite ends with status 1");
    FuzzCheck(disk.ListFiles() == prefix + kFuzzMetPath && *disk.FileBytes(kFuzzMetPath) == bytes,
              "a refused rewrite leaves the metadata file alone");
    return;
  }
  FuzzCheck(status == 0, "a rewrite ends with status 0");
  FuzzCheck(disk.ListFiles() == prefix + kFuzzMetPath + " " + backup,
            "a rewrite leaves the new file and its backup");
  FuzzCheck(*disk.FileBytes(kFuzzMetPath) == *written, "the run installs the rewritten file");
  FuzzCheck(*disk.FileBytes(backup) == bytes, "the backup is the old file");
  if (data) FuzzCheck(*disk.FileBytes(kFuzzPartPath) == *data, "a rebuild never writes the data file");
}

void FuzzComplete(const std::string& bytes, const MetImage& image, const OldFile& old) {
  MemoryDisk disk;
  InMemory rewrite = RewriteInMemory(image, RewriteMode::Complete, disk);
  const std::optional<std::string>& written = rewrite.written;
  CheckRun(bytes, written, "/complete", nullptr);
  if (old.damaged) {
    FuzzCheck(!written, "a damaged file is not rewritten");
    return;
  }
  if (!written && MayLoseLayout(old, bytes)) return;
  FuzzCheck(written.has_value(), "an undamaged file is rewritten");
  CheckNewFile(bytes, image, old, *written, {});
}

bool OverlapsOneOf(const GapTable& gaps, uint64_t start, uint64_t end) {
  for (const MetGap& gap : gaps) {
    if (gap.start < gap.end && gap.start < end && gap.end > start) return true;
  }
  return false;
}

// True when every byte of [start, end) lies in one of the ranges.
bool CoveredBy(GapTable ranges, uint64_t start, uint64_t end) {
  std::sort(ranges.begin(), ranges.end(),
            [](const MetGap& a, const MetGap& b) { return a.start < b.start; });
  for (const MetGap& range : ranges) {
    if (range.start > start) break;
    if (range.end > start) start = range.end;
  }
  return start >= end;
}

// A complete part whose stored hash is not the digest of the data lies
// inside one gap; a part that a gap held a piece of was not judged, and no
// byte becomes a gap but those of the old gaps and of such corrupt parts.
void CheckCorruptPartsCovered(const MetImage& image, const OldFile& old, const GapTable& before,
                              const GapTable& gaps) {
  GapTable allowed;
  for (const MetGap& gap : before) {
    if (gap.start < gap.end) allowed.push_back(gap);
  }
  for (uint32_t part = 0; part < old.header->partCount; ++part) {
    if (RebuildPartDigest(part).compare(0, 16, reinterpret_cast<const char*>(PartHash(image, *old.header, part)), 16) == 0)
      continue;
    const uint64_t start = part * kPartSize, end = start + kPartSize;
    if (OverlapsOneOf(before, start, end)) continue;
    allowed.push_back({start, end});
    FuzzCheck(InsideOneOf(gaps, start, end), "a corrupt complete part lies inside a gap after a rebuild");
  }
  for (const MetGap& gap : gaps) {
    if (gap.start < gap.end)
      FuzzCheck(CoveredBy(allowed, gap.start, gap.end),
                "no downloaded byte of a part a gap holds a piece of becomes a gap");
  }
}

void FuzzRebuild(const std::string& bytes, const MetImage& image, const OldFile& old) {
  MemoryDisk disk;
  disk.PutFile(kFuzzPartPath, RebuildDataFile());
  InMemory rewrite = RewriteInMemory(image, RewriteMode::Rebuild, disk);
  const std::optional<std::string>& written = rewrite.written;
  FuzzCheck(disk.OpenFileCount() == 0, "the data file is closed after the check");
  FuzzCheck(*disk.FileBytes(kFuzzPartPath) == RebuildDataFile(), "a rebuild never writes the data file");
  CheckRun(bytes, written, "/rebuild", &RebuildDataFile());
  if (old.damaged) {
    FuzzCheck(!written && !rewrite.checked, "a damaged file is neither checked nor rewritten");
    return;
  }
  if (!rewrite.checked) {
    FuzzCheck(!written, "nothing is rewritten when the parts could not be checked");
    return;
  }
  if (!written && MayLoseLayout(old, bytes)) return;
  FuzzCheck(written.has_value(), "an undamaged, checked file is rewritten");
  CheckNewFile(bytes, image, old, *written, rewrite.after);
  for (const MetGap& gap : SureGaps(old))
    FuzzCheck(InsideOneOf(rewrite.after, gap.start, gap.end), "a rebuild keeps every gap, or grows it");
  CheckCorruptPartsCovered(image, old, rewrite.before, rewrite.after);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size > (1u << 20)) return 0;
  const std::string bytes(reinterpret_cast<const char*>(data), size);
  MetImage image = MakeMetImage(data, size);
  const OldFile old = ReadOld(image);
  FuzzComplete(bytes, image, old);
  FuzzRebuild(bytes, image, old);
  return 0;
}
