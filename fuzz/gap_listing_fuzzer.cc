// The listing against a small data file in memory, on every route: holes
// released by the file system, the zero fill of /nosparse, and the zero
// fill after the file system refused a release. Whatever the metadata file
// holds, no byte outside its gaps may change, what changes becomes zero,
// every gap the listing clears reads zero, no file grows, and no file
// outside the download's folder is touched.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "app/run_flow.h"
#include "fuzz/fuzz_check.h"
#include "fuzz/fuzz_download.h"
#include "fuzz/tag_match.h"
#include "gaps/gap_clear.h"
#include "gaps/gap_scan.h"
#include "platform/error_codes.h"
#include "tests/support/memory_disk.h"
#include "tests/support/met_decoder.h"
#include "tests/support/string_console.h"

namespace {

// A second data file that a part-file-name tag can point to, and one
// outside the download's folder that nothing may ever touch.
const char kNamedPartPath[] = "dl/002.part";
const char kOutsidePath[] = "001.part";

struct Range {
  uint64_t start, end;  // [start, end)
};

// True for a name that names a gap to the tool: the id byte, alone or
// followed by decimal digits, up to the first NUL.
bool IsGapName(const DecodedTag& tag, char id) {
  const std::string name = ReadableName(tag);
  if (name.empty() || name[0] != id) return false;
  if (tag.idForm) return true;
  return name.size() == 1 || name.find_first_not_of("0123456789", 1) == std::string::npos;
}

bool IsNumber(const DecodedTag& tag) { return tag.type == 0x03 || tag.type == 0x08 || tag.type == 0x09; }

// The ranges the metadata file marks as gaps, read by the independent
// decoder up to any damage: each end tag with the last start tag since the
// end tag before it. The listing may clear inside them and nowhere else.
std::vector<Range> PermittedRanges(const std::string& bytes) {
  DecodedMet met = DecodeMet(bytes);
  std::vector<Range> ranges;
  std::optional<uint32_t> start;
  for (const DecodedTag& tag : met.tags) {
    if (IsGapName(tag, '\x09')) {
      start.reset();
      if (IsNumber(tag)) start = tag.number;
    } else if (IsGapName(tag, '\x0A')) {
      if (start && IsNumber(tag) && tag.number != 0 && *start <= tag.number)
        ranges.push_back({*start, tag.number});
      start.reset();
    }
  }
  return ranges;
}

FUZZ_NO_COVERAGE bool Inside(const std::vector<Range>& ranges, uint64_t offset) {
  for (const Range& range : ranges) {
    if (offset >= range.start && offset < range.end) return true;
  }
  return false;
}

// The first byte that changed to anything but zero, or outside the
// permitted ranges; nullptr when there is none.
FUZZ_NO_COVERAGE const char* FirstWrongChange(const std::string& before, const std::string& after,
                                              const std::vector<Range>& permitted,
                                              const char** property) {
  for (size_t i = 0; i < before.size(); ++i) {
    if (after[i] == before[i]) continue;
    *property = after[i] != '\0' ? "a cleared byte reads zero" : "no byte outside the gaps changes";
    if (after[i] != '\0' || !Inside(permitted, i)) return &after[i];
  }
  return nullptr;
}

FUZZ_NO_COVERAGE bool AllZero(const std::string& file, uint64_t from, uint64_t last) {
  for (uint64_t at = from; at <= last && at < file.size(); ++at) {
    if (file[at] != '\0') return false;
  }
  return true;
}

// Compares a data file after the listing with what it held before.
void CheckDataFile(const std::string& before, const std::string* after,
                   const std::vector<Range>& permitted) {
  FuzzCheck(after != nullptr, "the data file is still there");
  FuzzCheck(after->size() == before.size(), "the data file never changes its size");
  const char* property = "";
  FuzzCheck(FirstWrongChange(before, *after, permitted, &property) == nullptr, property);
}

// Every gap the listing took for clearable reads zero inside the file.
void CheckClearedGaps(const ListedGaps& gaps, const std::string& file) {
  for (const ListedGap& gap : gaps) {
    if (IsClearableGap(gap))
      FuzzCheck(AllZero(file, gap.start, gap.end), "every clearable gap reads zero after the listing");
  }
}

enum class Route { Release, NoSparse, ReleaseRefused };

void FuzzRoute(const MetImage& image, const std::vector<Range>& permitted, Route route) {
  MemoryDisk disk;
  const std::string& content = ListingDataFile();
  disk.PutFile(kFuzzPartPath, content);
  disk.PutFile(kNamedPartPath, content);
  disk.PutFile(kOutsidePath, content);
  if (route == Route::ReleaseRefused) disk.RefuseRelease(kErrorNotSupported);
  StringConsole console;
  std::optional<GapScan> scan =
      ScanGaps(image, kFuzzMetPath, DefaultPartFilePath(kFuzzMetPath), disk, console);
  if (scan) {
    ListedGaps gaps = scan->gaps;
    std::string partPath = scan->partPath;
    bool cleared = ClearGaps(*scan, route == Route::NoSparse, disk, console);
    FuzzCheck(cleared, "a memory disk never fails a listing");
    FuzzCheck(partPath == kFuzzPartPath || partPath == kNamedPartPath,
              "the listing clears a file in the download's folder");
    CheckClearedGaps(gaps, *disk.FileBytes(partPath));
  }
  FuzzCheck(disk.OpenFileCount() == 0, "the data file is closed after the listing");
  FuzzCheck(disk.ListFiles() == "001.part dl/001.part dl/002.part", "a listing makes no file");
  CheckDataFile(content, disk.FileBytes(kFuzzPartPath), permitted);
  CheckDataFile(content, disk.FileBytes(kNamedPartPath), permitted);
  FuzzCheck(*disk.FileBytes(kOutsidePath) == content, "no file outside the folder is touched");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size > (1u << 20)) return 0;
  const std::string bytes(reinterpret_cast<const char*>(data), size);
  MetImage image = MakeMetImage(data, size);
  const std::vector<Range> permitted = PermittedRanges(bytes);
  FuzzRoute(image, permitted, Route::Release);
  FuzzRoute(image, permitted, Route::NoSparse);
  FuzzRoute(image, permitted, Route::ReleaseRefused);
  return 0;
}
