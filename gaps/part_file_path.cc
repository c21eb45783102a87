#include "gaps/part_file_path.h"

#include <cctype>

#include "met/tag_reader.h"
#include "met/tag_record.h"
#include "platform/console.h"
#include "platform/disk.h"
#include "platform/path.h"

namespace {

// Where the numbered backups stop being looked for: names are taken in
// order, so a gap in the numbers ends them.
constexpr unsigned kMaxNumberedBackups = 100000;

bool EndsWithIgnoringCase(const std::string& text, const std::string& end) {
  if (text.size() < end.size()) return false;
  for (size_t i = 0; i < end.size(); ++i) {
    if (std::tolower(static_cast<unsigned char>(text[text.size() - end.size() + i])) != end[i])
      return false;
  }
  return true;
}

// The length of a backup suffix at the end of `path` (".old", ".bak", or a
// point and three or more digits), or 0.
size_t BackupSuffixLength(const std::string& path) {
  if (EndsWithIgnoringCase(path, ".old") || EndsWithIgnoringCase(path, ".bak")) return 4;
  size_t digits = 0;
  while (digits < path.size() && std::isdigit(static_cast<unsigned char>(path[path.size() - 1 - digits])))
    ++digits;
  if (digits >= 3 && digits < path.size() && path[path.size() - 1 - digits] == '.')
    return digits + 1;
  return 0;
}

// The download's own metadata path: `metPath` without a backup suffix.
std::string LiveMetPath(const std::string& metPath) {
  size_t suffix = BackupSuffixLength(metPath);
  std::string live = metPath.substr(0, metPath.size() - suffix);
  return EndsWithIgnoringCase(live, ".met") ? live : metPath;
}

bool SameFile(Disk& disk, const std::string& path, const FileIdentity& identity) {
  FileIdentity other;
  return disk.IdentifyPath(path, &other) == 0 && other == identity;
}

// True when the file is the metadata file or one of the backups a client or
// a rewrite keeps beside it.
bool IsMetadataOrBackup(Disk& disk, const std::string& metPath, const FileIdentity& identity) {
  const std::string live = LiveMetPath(metPath);
  for (const std::string& name : {metPath, live, live + ".old", live + ".bak"}) {
    if (SameFile(disk, name, identity)) return true;
  }
  for (unsigned number = 0; number < kMaxNumberedBackups; ++number) {
    const std::string name = live + Format(".%03u", number);
    FileIdentity other;
    if (disk.IdentifyPath(name, &other) != 0) break;
    if (other == identity) return true;
  }
  return false;
}

}  // namespace

std::string DefaultPartFilePath(const std::string& metPath) {
  const std::string live = LiveMetPath(metPath);
  if (!EndsWithIgnoringCase(live, ".met") || live.size() <= 4) return "";
  return live.substr(0, live.size() - 4);
}

bool IsMetadataFileName(const std::string& path) {
  return EndsWithIgnoringCase(path, ".met") || BackupSuffixLength(path) > 0;
}

bool IsPartFileNameTag(const TagRecord& tag) {
  return tag.type == TagString && TagHasName(tag, TagIdPartFileName);
}

void ApplyPartFileName(const std::string& metPath, const std::string& name, std::string* partPath,
                       Console& console) {
  if (!IsPlainFileName(name)) {
    Print(console, "Error: part file name '%s' is not a plain file name, it is ignored.\n",
          name.c_str());
    return;
  }
  *partPath = AppendPath(RemoveFileSpec(metPath), name);
}

std::optional<std::string> RefuseMetadataFile(const std::string& metPath,
                                              const std::string& partPath,
                                              const std::string& finalPath, File& file,
                                              Disk& disk) {
  FileIdentity identity;
  const bool known = disk.Identify(file, &identity) == 0;
  if (IsMetadataFileName(partPath) || IsMetadataFileName(finalPath) ||
      (known && IsMetadataOrBackup(disk, metPath, identity)))
    return Format("Error: '%s' is a metadata file or a backup of one, not a data file: it is "
                  "not touched.\n",
                  partPath.c_str());
  return std::nullopt;
}

std::string RefusalMessage(const std::string& path, OpenRefusal refusal) {
  if (refusal == OpenRefusal::UntrustedLink)
    return Format("Error: '%s' is a symbolic link that another user owns, it is not followed.\n",
                  path.c_str());
  return Format("Error: '%s' is not a regular file, it is not touched.\n", path.c_str());
}

std::string NoDataFileMessage(const std::string& metPath) {
  return Format("Error: no data file is known for '%s': its name does not end in .met and it "
                "names none.\n",
                metPath.c_str());
}
