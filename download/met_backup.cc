#include "download/met_backup.h"

#include "platform/console.h"
#include "platform/disk.h"

std::string BackupName(const std::string& metPath, unsigned taken) {
  if (taken == 0) return metPath + ".old";
  return metPath + Format(".%03u", taken - 1);
}

BackupResult BackupMetFile(const std::string& metPath, FileSystem& disk) {
  BackupResult result;
  for (unsigned taken = 0;; ++taken) {
    result.name = BackupName(metPath, taken);
    result.error = result.moved ? disk.MoveNoReplace(metPath, result.name)
                                : disk.LinkNoReplace(metPath, result.name);
    if (!result.moved && IsLinkUnsupported(result.error)) {
      result.moved = true;
      result.error = disk.MoveNoReplace(metPath, result.name);
    }
    if (!IsAlreadyExists(result.error)) return result;
  }
}
