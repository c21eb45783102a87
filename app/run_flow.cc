#include "app/run_flow.h"

#include <optional>

#include "app/met_loader.h"
#include "app/run_options.h"
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
  (void)options;
  (void)partPath;
  return 0;
}
