#include "app/run_flow.h"

#include <optional>

#include "app/met_loader.h"
#include "app/run_options.h"
#include "gaps/gap_clear.h"
#include "gaps/gap_scan.h"
#include "platform/console.h"
#include "platform/disk.h"

namespace {

// Lists and clears the gaps. A damaged tag stream or a gap the disk failed
// on still gets the rest done, but the run did not do all of its job.
int RunListing(const MetImage& image, const std::string& metPath, const std::string& partPath,
               bool nosparse, Disk& disk, Console& console) {
  std::optional<GapScan> scan = ScanGaps(image, metPath, partPath, disk, console);
  if (!scan) return 1;
  bool cleared = ClearGaps(*scan, nosparse, disk, console);
  return cleared && scan->tagsComplete ? 0 : 1;
}

}  // namespace

std::string DefaultPartFilePath(const std::string& metPath) {
  if (metPath.size() <= 4) return "";
  return metPath.substr(0, metPath.size() - 4);
}

int RunPartsweep(int argc, const char* const* argv, Disk& disk, Console& console) {
  if (IsHelpRequest(argc, argv)) {
    console.Write(kUsageText);
    console.Write("\n");
    return 0;
  }
  if (argc < 2) {
    console.Write(kUsageText);
    return -1;
  }
  RunOptions options = ScanSwitches(argc, argv);
  const std::string metPath = argv[1];
  std::string partPath = DefaultPartFilePath(metPath);
  std::optional<MetImage> image = LoadMetImage(metPath, disk, console);
  if (!image) return 1;
  if (options.rebuild || options.complete) return 0;  // the rewrite is not built yet
  return RunListing(*image, metPath, partPath, options.nosparse, disk, console);
}
