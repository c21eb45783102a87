#include "gaps/gap_clear.h"

#include <algorithm>
#include <string>
#include <vector>

#include "platform/byte_size.h"
#include "platform/console.h"
#include "platform/disk.h"

namespace {

// What carries over from one gap to the next.
struct ClearRun {
  ClearRun(Disk& d, Console& c, File& f, bool sparse)
      : disk(d), console(c), file(f), sparseRoute(sparse) {}

  Disk& disk;
  Console& console;
  File& file;
  /// Cleared by the first release the file system refuses: from then on
  /// every gap is zero-filled.
  bool sparseRoute;
  std::vector<char> zeros;
  uint64_t total = 0;
  bool failed = false;
};

void ReportError(ClearRun& run, int error) {
  Print(run.console, " ... Error %d\n", error);
  run.failed = true;
}

// One release request for the part of the gap inside the file; an empty gap
// asks for nothing, since an empty range is an error to some systems. False
// when the file system refused, with nothing printed.
bool ReleaseGap(ClearRun& run, uint64_t start, uint64_t inside) {
  if (inside > 0 && run.disk.ZeroRange(run.file, start, inside) != 0) return false;
  run.console.Write(" ... Zeroing 100 %\n\n");
  run.total += inside;
  return true;
}

// Overwrites the gap's bytes inside the file with zeros. Nothing is read:
// the file's size says where it ends, and the bytes around the gap are
// neither read nor written back, which halves the work and leaves
// downloaded data alone.
void ZeroFillGap(ClearRun& run, uint64_t start, uint64_t length, uint64_t inside) {
  if (length == 0) {
    run.console.Write("\n");
    return;
  }
  if (run.zeros.empty()) run.zeros.assign(kZeroFillChunk, 0);
  const bool marked = run.console.MarkCursor();
  int error = run.disk.Seek(run.file, start);
  uint64_t done = 0;
  while (!error && done < inside) {
    size_t count = static_cast<size_t>(std::min<uint64_t>(run.zeros.size(), inside - done));
    error = run.disk.Write(run.file, run.zeros.data(), count);
    if (error) break;
    done += count;
    if (marked) run.console.RedrawFromMark();
    Print(run.console, " ... Zeroing %3u %%", static_cast<unsigned>(done * 100 / length));
  }
  if (error) {
    ReportError(run, error);
    return;
  }
  run.console.Write("\n");
  run.total += done;
}

void ClearGap(ClearRun& run, const ListedGap& gap) {
  std::string start = FormatByteSize(gap.start);
  std::string end = FormatByteSize(gap.end);
  if (!IsClearableGap(gap)) {
    Print(run.console, "\t%s ... %s (invalid gap, skipped)\n", start.c_str(), end.c_str());
    return;
  }
  const uint64_t length = GapLength(gap);
  Print(run.console, "\t%s ... %s (%s)", start.c_str(), end.c_str(),
        FormatByteSize(length).c_str());
  uint64_t fileSize = 0;
  if (int error = run.disk.FileSize(run.file, &fileSize)) {
    ReportError(run, error);
    return;
  }
  if (gap.start >= fileSize) {
    run.console.Write(" ... [no data]\n");
    return;
  }
  const uint64_t inside = std::min(length, fileSize - gap.start);
  if (run.sparseRoute && ReleaseGap(run, gap.start, inside)) return;
  run.sparseRoute = false;
  ZeroFillGap(run, gap.start, length, inside);
}

}  // namespace

bool ClearGaps(GapScan& scan, bool nosparse, Disk& disk, Console& console) {
  // The mark is asked for even under /nosparse, which only picks the route.
  bool sparse = disk.SetSparse(scan.partFile) == 0 && !nosparse;
  ClearRun run(disk, console, scan.partFile, sparse);
  for (const ListedGap& gap : scan.gaps) ClearGap(run, gap);
  Print(console, "Cleaned space in '%s': %s\n", scan.partPath.c_str(),
        FormatByteSize(run.total).c_str());
  scan.partFile.Close();
  return !run.failed;
}
