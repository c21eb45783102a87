#include "app/met_install.h"

#include <algorithm>

#include "app/met_backup.h"
#include "platform/console.h"
#include "platform/disk.h"
#include "platform/interrupt.h"
#include "platform/path.h"

namespace {

// Written in pieces so that a huge file never needs a second copy in flight.
constexpr size_t kWriteChunk = 1 << 20;

// Creates the new file beside the old one, under a name the clients do not
// load (they look for names ending in .part.met).
OpenResult CreateTemporary(const std::string& metPath, Disk& disk, std::string* name) {
  OpenResult created;
  for (unsigned attempt = 0; attempt < 1000; ++attempt) {
    *name = metPath + ".new" + (attempt ? std::to_string(attempt) : "");
    created = disk.CreateNew(*name);
    if (!IsAlreadyExists(created.error)) break;
  }
  return created;
}

// Writes and flushes the whole content; the error code of the step that failed.
int WriteDurably(File& file, const std::string& content, Disk& disk) {
  for (size_t at = 0; at < content.size(); at += kWriteChunk) {
    size_t count = std::min(kWriteChunk, content.size() - at);
    if (int error = disk.Write(file, content.data() + at, count)) return error;
  }
  return disk.Flush(file);
}

// Removes the new file that could not be put in place.
void RemoveTemporary(const std::string& temporary, Disk& disk) {
  disk.KeepOnInterrupt();
  disk.Remove(temporary);
}

// Takes a backup back after the new file could not be put in place.
void DropBackup(const std::string& metPath, const BackupResult& backup, Disk& disk) {
  if (backup.moved)
    disk.MoveNoReplace(backup.name, metPath);
  else
    disk.Remove(backup.name);
}

}  // namespace

void ReportUnchanged(const std::string& metPath, Console& console) {
  Print(console, "Error: '%s' was not rewritten, it is unchanged.\n", metPath.c_str());
}

bool InstallMetFile(const std::string& metPath, const std::string& content, Disk& disk,
                    Console& console) {
  std::string temporary;
  OpenResult created;
  {
    // Created and marked for removal in one step, as far as interrupts go.
    InterruptsHeld held;
    created = CreateTemporary(metPath, disk, &temporary);
    if (!created.error) disk.RemoveOnInterrupt(temporary);
  }
  if (created.error) {
    Print(console, "Error: can't create '%s' (Error %d)\n", temporary.c_str(), created.error);
    ReportUnchanged(metPath, console);
    return false;
  }
  disk.CopyOwnership(created.file, metPath);
  int error = WriteDurably(created.file, content, disk);
  created.file.Close();
  if (error) {
    Print(console, "Error: writing '%s' failed (Error %d)\n", temporary.c_str(), error);
    RemoveTemporary(temporary, disk);
    ReportUnchanged(metPath, console);
    return false;
  }
  // From the backup to the swap (or its undoing) an interrupt waits: cut in
  // between, it would leave a backup of a file that was never replaced.
  InterruptsHeld held;
  BackupResult backup = BackupMetFile(metPath, disk);
  if (backup.error) {
    Print(console, "Error: can't back up '%s' as '%s' (Error %d)\n", metPath.c_str(),
          backup.name.c_str(), backup.error);
    RemoveTemporary(temporary, disk);
    ReportUnchanged(metPath, console);
    return false;
  }
  // The one step that changes what the metadata path holds, atomically.
  if ((error = disk.MoveReplace(temporary, metPath)) != 0) {
    Print(console, "Error: can't rename '%s' to '%s' (Error %d)\n", temporary.c_str(),
          metPath.c_str(), error);
    DropBackup(metPath, backup, disk);
    RemoveTemporary(temporary, disk);
    ReportUnchanged(metPath, console);
    return false;
  }
  disk.KeepOnInterrupt();
  if ((error = disk.FlushFolder(RemoveFileSpec(metPath))) != 0) {
    Print(console, "Error: flushing the folder of '%s' failed (Error %d)\n", metPath.c_str(),
          error);
    // Without a durable folder the rename may not survive a crash: go back
    // to the old file, which replaces the new one in one step.
    if (disk.MoveReplace(backup.name, metPath) == 0) {
      ReportUnchanged(metPath, console);
    } else {
      Print(console, "Error: '%s' holds the new file, the old one is '%s'.\n", metPath.c_str(),
            backup.name.c_str());
    }
    return false;
  }
  return true;
}
