#include "download/met_name.h"

#include "download/download_messages.h"
#include "download/data_file.h"
#include "platform/console.h"
#include "platform/disk.h"
#include "platform/path.h"

std::string MetPathRefusal(const std::string& path, MetUse use, FileSystem& disk) {
  if (EndsWithIgnoringCase(path, ".met")) return "";
  const std::string live = LiveMetPath(path);
  if (live != path) {
    if (use == MetUse::Rewrite) return Format(kMsgBackupNotRewritten, path.c_str(), live.c_str());
    if (use == MetUse::Clear)
      return Format(kMsgBackupNotCleared, path.c_str(), DefaultPartFilePath(path).c_str(),
                    live.c_str());
    return "";
  }
  FileIdentity identity;
  if (EndsWithIgnoringCase(path, ".part") && IdentifyPath(disk, path + ".met", &identity) == 0)
    return Format(kMsgDataFileGiven, path.c_str(), (path + ".met").c_str());
  return Format(kMsgNotMetName, path.c_str());
}
