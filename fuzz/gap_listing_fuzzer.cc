// The listing against a small data file in memory, on every route: holes
// released by the file system, the zero fill of /nosparse, and the zero
// fill after the file system refused a release. Whatever the metadata file
// holds, no byte outside its gaps may change, what changes becomes zero,
// every gap reads zero but inside the parts the corrupted-parts tag lists,
// whose bytes the client mends from and which never change, and but in a
// download whose bytes hash right, which the client has whole and of which
// no byte changes; no file grows,
// and no file outside the download's folder is touched.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "download/data_file.h"
#include "app/run_flow.h"
#include "fuzz/fuzz_check.h"
#include "fuzz/fuzz_download.h"
#include "fuzz/tag_match.h"
#include "met/met_file.h"
#include "tests/support/error_codes.h"
#include "tests/support/memory_disk.h"
#include "tests/support/met_decoder.h"
#include "tests/support/string_console.h"

namespace {

// A second data file that a part-file-name tag can point to, and one
// outside the download's folder that nothing may ever touch.
const char kNamedPartPath[] = "dl/002.part";
const char kOutsidePath[] = "001.part";

using Range = ReadableGap;

// The ranges the metadata file marks as gaps, read by the independent
// decoder up to any damage. The listing may clear inside them and nowhere else.
std::vector<Range> PermittedRanges(const std::string& bytes) { return AnyReadersGaps(DecodeMet(bytes)); }

// The ranges in order, overlapping and touching ones merged.
std::vector<Range> Merged(std::vector<Range> ranges) {
  std::sort(ranges.begin(), ranges.end(),
            [](const Range& a, const Range& b) { return a.start < b.start; });
  std::vector<Range> merged;
  for (const Range& range : ranges) {
    if (!merged.empty() && range.start <= merged.back().end)
      merged.back().end = std::max(merged.back().end, range.end);
    else
      merged.push_back(range);
  }
  return merged;
}

// The parts the corrupted-parts tag lists, as byte ranges of the download.
std::vector<Range> KeptRanges(const std::string& bytes) {
  const DecodedMet met = DecodeMet(bytes);
  const uint64_t size = ReadableFileSize(met);
  std::vector<Range> kept;
  for (uint32_t part : ListedCorruptedParts(met, size)) {
    const uint64_t start = part * 9728000ull;
    kept.push_back({start, std::min(start + 9728000, size)});
  }
  return kept;
}

// The pieces of the ranges outside every range of `cut`.
std::vector<Range> Without(const std::vector<Range>& ranges, const std::vector<Range>& cut) {
  std::vector<Range> pieces = ranges;
  for (const Range& taken : cut) {
    std::vector<Range> left;
    for (const Range& piece : pieces) {
      if (taken.end <= piece.start || taken.start >= piece.end) {
        left.push_back(piece);
        continue;
      }
      if (piece.start < taken.start) left.push_back({piece.start, taken.start});
      if (taken.end < piece.end) left.push_back({taken.end, piece.end});
    }
    pieces = std::move(left);
  }
  return pieces;
}

// As many zero bytes as the largest data file holds.
const std::string& Zeros() {
  static const std::string zeros(ListingDataFile().size(), '\0');
  return zeros;
}

// Whether bytes [from, to) are unchanged, or zero where they changed. Whole
// pieces are compared first: a piece is mostly all unchanged or all zero.
FUZZ_NO_COVERAGE bool ChangedOnlyToZero(const std::string& before, const std::string& after,
                                        size_t from, size_t to) {
  constexpr size_t kPiece = 4096;
  for (size_t at = from; at < to; at += kPiece) {
    const size_t count = std::min(kPiece, to - at);
    if (std::memcmp(&before[at], &after[at], count) == 0 ||
        std::memcmp(&after[at], Zeros().data(), count) == 0)
      continue;
    for (size_t i = at; i < at + count; ++i) {
      if (after[i] != before[i] && after[i] != '\0') return false;
    }
  }
  return true;
}

// The property a data file breaks, or nullptr: bytes outside the merged
// permitted ranges are unchanged, bytes inside are unchanged or zero.
const char* BrokenProperty(const std::string& before, const std::string& after,
                           const std::vector<Range>& merged) {
  size_t at = 0;
  for (const Range& range : merged) {
    const size_t start = static_cast<size_t>(std::min<uint64_t>(range.start, before.size()));
    const size_t end = static_cast<size_t>(std::min<uint64_t>(range.end, before.size()));
    if (before.compare(at, start - at, after, at, start - at) != 0)
      return "no byte outside the gaps changes";
    if (!ChangedOnlyToZero(before, after, start, end)) return "a cleared byte reads zero";
    at = end;
  }
  if (before.compare(at, std::string::npos, after, at, std::string::npos) != 0)
    return "no byte outside the gaps changes";
  return nullptr;
}

bool AllZero(const std::string& file, uint64_t from, uint64_t last) {
  if (from >= file.size()) return true;
  const size_t end = static_cast<size_t>(std::min<uint64_t>(last + 1, file.size()));
  return std::memcmp(&file[from], Zeros().data(), end - from) == 0;
}

// Compares a data file after the listing with what it held before; the
// permitted ranges are merged.
void CheckDataFile(const std::string& before, const std::string* after,
                   const std::vector<Range>& permitted) {
  FuzzCheck(after != nullptr, "the data file is still there");
  FuzzCheck(after->size() == before.size(), "the data file never changes its size");
  const char* broken = BrokenProperty(before, *after, permitted);
  FuzzCheck(broken == nullptr, broken);
}

// True for a download of one part whose bytes hash to its file hash, the
// data file `before` the listing holding them all: it is complete.
bool CompleteByItsHash(const MetFile& file, const std::string& before) {
  if (file.fileSize == 0 || file.fileSize >= 9728000 || file.header.partCount != 0 ||
      file.fileSize > before.size())
    return false;
  return Md4(before.data(), file.fileSize) ==
         std::string(reinterpret_cast<const char*>(file.header.fileHash), 16);
}

// Every valid gap of the decoded file reads zero inside the data file, but
// in the kept ranges and past the download's size.
void CheckClearedGaps(const MetFile& file, const std::vector<Range>& kept, const std::string& after) {
  for (const MetGap& gap : file.gaps) {
    if (!gap.IsValid() || gap.start >= gap.end) continue;
    const uint64_t end = file.fileSize ? std::min(gap.end, file.fileSize) : gap.end;
    if (gap.start >= end) continue;
    for (const Range& piece : Without({{gap.start, end}}, kept))
      FuzzCheck(AllZero(after, piece.start, piece.end - 1),
                "every valid gap reads zero after the listing but in parts listed as corrupt");
  }
}

enum class Route { Release, NoSparse, ReleaseRefused };

// The disk of every run, made once: its files are restored in place before
// each route, since a fresh copy of a large file costs a fresh mapping under
// the sanitizer's allocator, many times what the listing itself costs.
struct ListingDisk {
  MemoryDisk disk;
  const std::string& content = ListingDataFile();
  const std::string named = content.substr(0, 100000);
  const std::string outside = content.substr(0, 1000);

  ListingDisk() {
    disk.PutFile(kFuzzMetPath, "");
    disk.PutFile(kFuzzPartPath, content);
    disk.PutFile(kNamedPartPath, named);
    disk.PutFile(kOutsidePath, outside);
  }

  void Restore() {
    FuzzCheck(disk.ListFiles() == "001.part dl/001.part dl/001.part.met dl/002.part",
              "a listing makes no file");
    *disk.MutableFileBytes(kFuzzPartPath) = content;
    *disk.MutableFileBytes(kNamedPartPath) = named;
  }
};

// The whole run of "partsweep dl/001.part.met" with the route's switch;
// with `tagOnly` dl/001.part is missing, so that a name tag chooses.
void FuzzRoute(ListingDisk& files, const std::string& bytes, const MetImage& image,
               const std::vector<Range>& permitted, const std::vector<Range>& kept, Route route,
               bool tagOnly = false) {
  files.Restore();
  MemoryDisk& disk = files.disk;
  if (tagOnly) disk.Remove(kFuzzPartPath);
  disk.RefuseRelease(route == Route::ReleaseRefused ? kErrorNotSupported : 0);
  *disk.MutableFileBytes(kFuzzMetPath) = bytes;
  StringConsole console;
  const char* args[] = {"partsweep", kFuzzMetPath, route == Route::NoSparse ? "/nosparse" : ""};
  const int status = RunPartsweep(3, args, disk, console);
  FuzzCheck(disk.OpenFileCount() == 0, "the data file is closed after the listing");
  FuzzCheck(disk.ListFiles() == (tagOnly ? "001.part dl/001.part.met dl/002.part"
                                         : "001.part dl/001.part dl/001.part.met dl/002.part"),
            "a listing makes no file");
  FuzzCheck(*disk.FileBytes(kFuzzMetPath) == bytes, "a listing never writes the metadata file");
  MetDecode decoded = DecodeMetFile(image);
  if (decoded.file) {
    std::string notes;
    const std::string partPath = FindDataFile(kFuzzMetPath, decoded.file->partFileNames, disk, &notes);
    const bool known = (partPath == kFuzzPartPath && !tagOnly) || partPath == kNamedPartPath;
    FuzzCheck(status != 0 || known, "a listing that did its job cleared a file of the download");
    if (known && decoded.file->damage.empty())
      FuzzCheck(status == 0, "a memory disk never fails a listing of an undamaged file");
    if (known) {
      const std::string& before = partPath == kNamedPartPath ? files.named : files.content;
      const std::string& after = *disk.FileBytes(partPath);
      if (CompleteByItsHash(*decoded.file, before))
        FuzzCheck(before.compare(0, decoded.file->fileSize, after, 0, decoded.file->fileSize) == 0,
                  "a part that hashes right is never cleared, whatever the gaps say");
      else
        CheckClearedGaps(*decoded.file, kept, after);
    }
  }
  if (!tagOnly) CheckDataFile(files.content, disk.FileBytes(kFuzzPartPath), permitted);
  CheckDataFile(files.named, disk.FileBytes(kNamedPartPath), permitted);
  FuzzCheck(*disk.FileBytes(kOutsidePath) == files.outside, "no file outside the folder is touched");
  if (tagOnly) disk.PutFile(kFuzzPartPath, files.content);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size > (1u << 20)) return 0;
  const std::string bytes(reinterpret_cast<const char*>(data), size);
  MetImage image = MakeMetImage(data, size);
  // No byte of a part listed as corrupt may change.
  const std::vector<Range> kept = KeptRanges(bytes);
  const std::vector<Range> permitted = Merged(Without(PermittedRanges(bytes), kept));
  static ListingDisk files;
  FuzzRoute(files, bytes, image, permitted, kept, Route::Release);
  FuzzRoute(files, bytes, image, permitted, kept, Route::NoSparse);
  FuzzRoute(files, bytes, image, permitted, kept, Route::ReleaseRefused);
  FuzzRoute(files, bytes, image, permitted, kept, Route::Release, /*tagOnly=*/true);
  return 0;
}
