// The import of parts from another copy, against a data file in memory
// whose gaps read zero and a copy that holds the download's bytes (one byte
// damaged for some inputs). Whatever the metadata file holds, imported bytes
// are only ever gap bytes (of the gaps a reader of either naming sees, or
// past the data file's end), and only of parts that hash right afterwards
// by the hashes the metadata file stores; the copy is never written.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "app/run_flow.h"
#include "fuzz/fuzz_check.h"
#include "fuzz/fuzz_download.h"
#include "fuzz/tag_match.h"
#include "tests/support/memory_disk.h"
#include "tests/support/met_decoder.h"
#include "tests/support/string_console.h"

namespace {

constexpr uint64_t P = 9728000;
const char kCopyPath[] = "dl/copy.bin";

using Range = ReadableGap;

bool InAny(const std::vector<Range>& ranges, uint64_t at) {
  return std::any_of(ranges.begin(), ranges.end(), [at](const Range& r) { return r.start <= at && at < r.end; });
}

// The stored hash of part `part`, from the header as stored: the part hash,
// or below one part the file hash; "" where there is none.
std::string StoredHash(const DecodedMet& met, uint64_t part) {
  const std::string& head = met.head;
  if (head.size() < 23 || (head.size() - 23) % 16 != 0) return "";
  const size_t count = (head.size() - 23) / 16;
  if (count == 0) return part == 0 ? head.substr(5, 16) : "";
  return part < count ? head.substr(23 + 16 * part, 16) : "";
}

FUZZ_NO_COVERAGE size_t FirstDifference(const std::string& a, const std::string& b, size_t from) {
  const size_t common = std::min(a.size(), b.size());
  for (size_t at = from; at < common; ++at) {
    if (a[at] != b[at]) return at;
  }
  return std::max(common, from);
}

// Every byte that changed, or was added, lies in a gap and in a part whose
// bytes now hash to its stored hash.
void CheckImported(const DecodedMet& met, uint64_t size, const std::string& before, const std::string& after) {
  FuzzCheck(after.size() >= before.size() && after.size() <= std::max<uint64_t>(before.size(), size),
            "an import never cuts the data file, nor writes past the download's size");
  const std::vector<Range> gaps = AnyReadersGaps(met);
  std::vector<uint64_t> checked;
  size_t at = FirstDifference(before, after, 0);
  while (at < after.size()) {
    FuzzCheck(at >= before.size() || InAny(gaps, at), "only gap bytes are ever imported");
    const uint64_t part = at / P;
    if (std::find(checked.begin(), checked.end(), part) == checked.end()) {
      checked.push_back(part);
      const uint64_t start = part * P, end = std::min(start + P, size);
      FuzzCheck(end <= after.size() && Md4(after.data() + start, end - start) == StoredHash(met, part),
                "only parts that hash right are imported");
    }
    // Bytes past the old end are all new: the next part's are the next to check.
    at = at >= before.size() ? static_cast<size_t>((part + 1) * P) : FirstDifference(before, after, at + 1);
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size > (1u << 20)) return 0;
  const std::string bytes(reinterpret_cast<const char*>(data), size);
  const DecodedMet met = DecodeMet(bytes);
  const uint64_t fileSize = ClientFileSize(met).value_or(0);
  // Downloads the stream holds; larger ones get a data file too short for any part.
  const uint64_t length = RebuildDataLength(fileSize);
  std::string before = RebuildStream().substr(0, std::min<uint64_t>(length, RebuildStream().size()));
  for (const Range& gap : AnyReadersGaps(met)) {
    if (gap.start >= before.size()) continue;
    std::fill(before.begin() + static_cast<std::ptrdiff_t>(gap.start),
              before.begin() + static_cast<std::ptrdiff_t>(std::min<uint64_t>(gap.end, before.size())), '\0');
  }
  std::string copy = RebuildStream().substr(0, std::min<uint64_t>(fileSize, RebuildStream().size()));
  if (size % 2 == 1 && !copy.empty()) copy[copy.size() * 7 / 13] ^= 0x20;
  MemoryDisk disk;
  disk.PutFile(kFuzzMetPath, bytes);
  disk.PutFile(kFuzzPartPath, before);
  disk.PutFile(kCopyPath, copy);
  StringConsole console;
  const char* args[] = {"partsweep", "--import", kCopyPath, kFuzzMetPath};
  RunPartsweep(4, args, disk, console);
  FuzzCheck(disk.OpenFileCount() == 0, "an import closes every file");
  FuzzCheck(*disk.FileBytes(kCopyPath) == copy, "an import never writes a source");
  const std::string* after = disk.FileBytes(kFuzzPartPath);
  FuzzCheck(after != nullptr, "the data file is still there");
  CheckImported(met, fileSize, before, *after);
  return 0;
}
