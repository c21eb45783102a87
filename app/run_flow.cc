#include "app/run_flow.h"

#include <optional>

#include "app/met_install.h"
#include "app/met_loader.h"
#include "app/run_options.h"
#include "rewrite/met_rewrite.h"
#include "platform/console.h"
#include "platform/disk.h"

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
  if (options.rebuild || options.complete) {
    // Both switches together ask for what /complete does.
    RewriteMode mode = options.complete ? RewriteMode::Complete : RewriteMode::Rebuild;
    std::optional<std::string> content = RewriteMetFile(*image, mode, nullptr, console);
    if (!content) {
      ReportUnchanged(metPath, console);
      return 1;
    }
    return InstallMetFile(metPath, *content, disk, console) ? 0 : 1;
  }
  (void)partPath;
  return 0;
}
