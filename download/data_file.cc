#include "download/data_file.h"

#include <cctype>

#include "download/download_messages.h"
#include "platform/console.h"
#include "platform/disk.h"
#include "platform/path.h"

namespace {

// Where the numbered backups stop being looked for: names are taken in
// order, so a gap in the numbers ends them.
constexpr unsigned kMaxNumberedBackups = 100000;

// The length of a backup suffix at the end of `path` (".old", ".bak", a
// client's unfinished ".backup", or a point and three or more digits), or 0.
size_t BackupSuffixLength(const std::string& path) {
  if (EndsWithIgnoringCase(path, ".old") || EndsWithIgnoringCase(path, ".bak")) return 4;
  if (EndsWithIgnoringCase(path, ".backup")) return 7;
  size_t digits = 0;
  while (digits < path.size() && std::isdigit(static_cast<unsigned char>(path[path.size() - 1 - digits])))
    ++digits;
  if (digits >= 3 && digits < path.size() && path[path.size() - 1 - digits] == '.')
    return digits + 1;
  return 0;
}

bool SameFile(Disk& disk, const std::string& path, const FileIdentity& identity) {
  FileIdentity other;
  return IdentifyPath(disk, path, &other) == 0 && other == identity;
}

}  // namespace

bool IsMetadataOrBackup(Disk& disk, const std::string& metPath, const FileIdentity& identity) {
  const std::string live = LiveMetPath(metPath);
  for (const std::string& name : {metPath, live, live + ".old", live + ".bak", live + ".backup"}) {
    if (SameFile(disk, name, identity)) return true;
  }
  for (unsigned number = 0; number < kMaxNumberedBackups; ++number) {
    const std::string name = live + Format(".%03u", number);
    FileIdentity other;
    if (IdentifyPath(disk, name, &other) != 0) break;
    if (other == identity) return true;
  }
  return false;
}

namespace {

bool IsMetadataName(const std::string& path) {
  return EndsWithIgnoringCase(path, ".met") || BackupSuffixLength(path) > 0;
}

// Why the open data file must not be cleared as the data file of `metPath`,
// or nothing: it is the metadata file itself or one of its backups (by
// identity, whatever its name), or it is named like one.
std::optional<std::string> RefuseMetadataFile(const std::string& metPath,
                                              const std::string& partPath,
                                              const std::string& finalPath, File& file,
                                              Disk& disk) {
  FileIdentity identity;
  const bool known = Identify(disk, file, &identity) == 0;
  if (IsMetadataName(partPath) || IsMetadataName(finalPath) ||
      (known && IsMetadataOrBackup(disk, metPath, identity)))
    return Format(kMsgIsMetadataFile, partPath.c_str());
  return std::nullopt;
}

}  // namespace

std::string LiveMetPath(const std::string& metPath) {
  size_t suffix = BackupSuffixLength(metPath);
  std::string live = metPath.substr(0, metPath.size() - suffix);
  return EndsWithIgnoringCase(live, ".met") ? live : metPath;
}

std::string DefaultPartFilePath(const std::string& metPath) {
  const std::string live = LiveMetPath(metPath);
  if (!EndsWithIgnoringCase(live, ".met") || live.size() <= 4) return "";
  return live.substr(0, live.size() - 4);
}

std::string FindDataFile(const std::string& metPath, const std::vector<std::string>& names,
                         Disk& disk, std::string* notes) {
  const std::string named = DefaultPartFilePath(metPath);
  std::string tagged;
  for (const std::string& name : names) {
    if (IsPlainFileName(name)) {
      tagged = AppendPath(RemoveFileSpec(metPath), name);
    } else {
      *notes += Format(kMsgNameNotPlain, name.c_str());
    }
  }
  if (tagged.empty() || named.empty()) return tagged.empty() ? named : tagged;
  FileIdentity namedFile;
  if (IdentifyPath(disk, named, &namedFile) != 0) return tagged;
  FileIdentity taggedFile;
  if (IdentifyPath(disk, tagged, &taggedFile) == 0 && taggedFile == namedFile) return tagged;
  *notes += Format(kMsgNameTagNotUsed, tagged.c_str(), named.c_str());
  return named;
}

std::optional<File> OpenForClearing(const std::string& metPath, const std::string& partPath,
                                    Disk& disk, Console& console) {
  OpenResult opened = disk.OpenExclusive(partPath);
  if (opened.refusal != OpenRefusal::None) {
    console.Write(RefusalMessage(partPath, opened.refusal));
    return std::nullopt;
  }
  if (opened.error) {
    Print(console, kMsgCannotOpenPart, partPath.c_str(), opened.error);
    if (IsBusy(opened.error)) Print(console, kMsgHeldOpenWhy, partPath.c_str());
    return std::nullopt;
  }
  if (std::optional<std::string> refusal =
          RefuseMetadataFile(metPath, partPath, opened.finalPath, opened.file, disk)) {
    console.Write(*refusal);
    return std::nullopt;
  }
  return std::move(opened.file);
}

namespace {

// The data file opened by `open` for hashing, or nothing after the message.
template <typename Open>
std::optional<File> OpenToHash(const std::string& metPath, const std::string& partPath,
                               Console& console, Open open) {
  if (partPath.empty()) {
    Print(console, kMsgNoDataFile, metPath.c_str());
    return std::nullopt;
  }
  OpenResult opened = open(partPath);
  if (opened.refusal != OpenRefusal::None) {
    console.Write(RefusalMessage(partPath, opened.refusal));
    return std::nullopt;
  }
  if (opened.error) {
    Print(console, kMsgCannotOpenPartForHashing, partPath.c_str());
    return std::nullopt;
  }
  return std::move(opened.file);
}

}  // namespace

std::optional<File> OpenForHashing(const std::string& metPath, const std::string& partPath,
                                   Disk& disk, Console& console) {
  return OpenToHash(metPath, partPath, console,
                    [&disk](const std::string& path) { return disk.OpenForReading(path); });
}

std::optional<File> OpenToCheck(const std::string& metPath, const std::string& partPath,
                                Disk& disk, Console& console) {
  return OpenToHash(metPath, partPath, console,
                    [&disk](const std::string& path) { return disk.OpenShared(path); });
}

bool ReportIfInUse(const std::string& partPath, Disk& disk, Console& console) {
  if (partPath.empty()) return false;
  int error = disk.CheckNotInUse(partPath);
  if (!IsBusy(error)) return false;
  Print(console, kMsgHeldOpen, partPath.c_str(), error);
  return true;
}

std::string RefusalMessage(const std::string& path, OpenRefusal refusal) {
  return Format(refusal == OpenRefusal::UntrustedLink ? kMsgUntrustedLink : kMsgNotRegular,
                path.c_str());
}

bool IsMetadataFileName(const std::string& path) { return IsMetadataName(path); }

bool IsDownloadMetName(const std::string& name) { return EndsWithIgnoringCase(name, ".part.met"); }
