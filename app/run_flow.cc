#include "app/run_flow.h"

#include <optional>

#include "app/met_install.h"
#include "app/met_loader.h"
#include "app/run_options.h"
#include "gaps/gap_clear.h"
#include "gaps/gap_scan.h"
#include "gaps/part_file_path.h"
#include "hash/hash_routines.h"
#include "platform/console.h"
#include "platform/disk.h"
#include "rewrite/met_rewrite.h"
#include "rewrite/part_check.h"

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

// Rewrites the metadata file. With /rebuild the data file is found the way
// the listing finds it, and nothing is rewritten unless every part was read.
int RunRewrite(const MetImage& image, const std::string& metPath, RewriteMode mode,
               const HashRoutines& routines, Disk& disk, Console& console) {
  auto check = [&](const MetImage& checked, RewriteState& state) {
    std::string partPath = DefaultPartFilePath(metPath);
    for (const std::string& name : state.partFileNames)
      ApplyPartFileName(metPath, name, &partPath, console);
    return CheckParts(checked, state, partPath, routines, disk, console);
  };
  std::optional<std::string> content = RewriteMetFile(image, mode, check, console);
  if (!content) {
    ReportUnchanged(metPath, console);
    return 1;
  }
  return InstallMetFile(metPath, *content, disk, console) ? 0 : 1;
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
  const HashRoutines routines = BindHashRoutines();
  RunOptions options = ScanSwitches(argc, argv);
  const std::string metPath = argv[1];
  std::string partPath = DefaultPartFilePath(metPath);
  std::optional<MetImage> image = LoadMetImage(metPath, disk, console);
  if (!image) return 1;
  if (options.rebuild || options.complete) {
    // Both switches together ask for what /complete does.
    RewriteMode mode = options.complete ? RewriteMode::Complete : RewriteMode::Rebuild;
    return RunRewrite(*image, metPath, mode, routines, disk, console);
  }
  return RunListing(*image, metPath, partPath, options.nosparse, disk, console);
}
