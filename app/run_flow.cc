#include "app/run_flow.h"

#include <optional>
#include <vector>

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

// The data file of the download: named like the metadata file, or by its
// part-file-name tags. Only /rebuild, which reads it, reports a tag that
// names no plain file.
std::string PartFilePathFor(const std::string& metPath, const std::vector<std::string>& names,
                            Console* console) {
  std::string partPath = DefaultPartFilePath(metPath);
  SilentConsole ignored;
  for (const std::string& name : names)
    ApplyPartFileName(metPath, name, &partPath, console ? *console : ignored);
  return partPath;
}

// True, after saying so, when another program has the data file open: a
// running client keeps its own copy of the metadata and would overwrite
// the new file at its next save.
bool ReportIfInUse(const std::string& partPath, Disk& disk, Console& console) {
  if (partPath.empty()) return false;
  int error = disk.CheckNotInUse(partPath);
  if (!IsBusy(error)) return false;
  Print(console, "Error: '%s' is held open by another program (Error %d); close the client first.\n",
        partPath.c_str(), error);
  return true;
}

// Rewrites the metadata file. With /rebuild the data file is found the way
// the listing finds it, and nothing is rewritten unless every part was read.
int RunRewrite(const MetImage& image, const std::string& metPath, RewriteMode mode,
               const HashRoutines& routines, Disk& disk, Console& console) {
  std::string partPath;
  auto check = [&](const MetImage& checked, RewriteState& state) {
    const bool rebuild = mode == RewriteMode::Rebuild;
    partPath = PartFilePathFor(metPath, state.partFileNames, rebuild ? &console : nullptr);
    if (rebuild && partPath.empty()) {
      console.Write(NoDataFileMessage(metPath));
      return false;
    }
    if (ReportIfInUse(partPath, disk, console)) return false;
    return !rebuild || CheckParts(checked, state, partPath, routines, disk, console);
  };
  std::optional<std::string> content = RewriteMetFile(image, mode, check, console);
  if (content && content->size() > kMaxMetImageSize) {
    // Every later run would refuse to load it.
    Print(console,
          "Error: the new file would be %llu bytes, more than the %u bytes partsweep can load\n",
          static_cast<unsigned long long>(content->size()), kMaxMetImageSize);
    content.reset();
  }
  // A client may have started while the parts were hashed.
  if (!content || ReportIfInUse(partPath, disk, console)) {
    ReportUnchanged(metPath, console);
    return 1;
  }
  // A link to the metadata file stays a link: its target is rewritten.
  PathResult target = disk.ResolveLinks(metPath);
  if (target.refusal != OpenRefusal::None) {
    console.Write(RefusalMessage(metPath, target.refusal));
    ReportUnchanged(metPath, console);
    return 1;
  }
  const std::string& installAt = target.ok() ? target.path : metPath;
  return InstallMetFile(installAt, *content, disk, console) ? 0 : 1;
}

}  // namespace

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
