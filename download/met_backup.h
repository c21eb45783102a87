// The backup a rewrite keeps of the metadata file.
#pragma once

#include <string>

class FileSystem;

/// The backup name tried after `taken` names were found taken: the metadata
/// path with ".old", then ".000", ".001" and so on.
std::string BackupName(const std::string& metPath, unsigned taken);

/// Where the backup went.
struct BackupResult {
  /// 0, or the system's error code of the step that failed.
  int error = 0;
  std::string name;
  /// True when the file was renamed to the backup name rather than given it
  /// as a second name: the metadata path is then free.
  bool moved = false;
};

/// Gives the metadata file the first free backup name, never replacing a
/// file. It keeps its own name too where the file system allows two names,
/// so that it never goes missing; elsewhere it is renamed.
BackupResult BackupMetFile(const std::string& metPath, FileSystem& disk);
