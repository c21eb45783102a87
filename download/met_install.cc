#include "download/met_install.h"

#include <algorithm>

#include "download/met_backup.h"
#include "download/download_messages.h"
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
  KeepOnInterrupt();
  disk.Remove(temporary);
}

// Takes a backup back after the new file could not be put in place; false
// when the old file, moved to its backup name, cannot go back under its own.
// A second name that stays is harmless.
bool DropBackup(const std::string& metPath, const BackupResult& backup, Disk& disk) {
  if (backup.moved) return disk.MoveNoReplace(backup.name, metPath) == 0;
  disk.Remove(backup.name);
  return true;
}

}  // namespace

void ReportUnchanged(const std::string& metPath, Console& console) {
  Print(console, kMsgUnchanged, metPath.c_str());
}

namespace {

// Writes `content` durably to a new file beside the metadata file, whose
// name it gives; false, after the messages, when that fails.
bool WriteTemporary(const std::string& metPath, const std::string& content, Disk& disk,
                    Console& console, std::string* temporary) {
  OpenResult created;
  {
    // Created and marked for removal in one step, as far as interrupts go.
    InterruptsHeld held;
    created = CreateTemporary(metPath, disk, temporary);
    if (!created.error) RemoveOnInterrupt(*temporary);
  }
  if (created.error) {
    Print(console, kMsgCannotCreate, temporary->c_str(), created.error);
    ReportUnchanged(metPath, console);
    return false;
  }
  disk.CopyOwnership(created.file, metPath);
  int error = WriteDurably(created.file, content, disk);
  created.file.Close();
  if (error) {
    Print(console, kMsgWriteFailed, temporary->c_str(), error);
    RemoveTemporary(*temporary, disk);
    ReportUnchanged(metPath, console);
    return false;
  }
  return true;
}

}  // namespace

bool CreateMetFile(const std::string& metPath, const std::string& content, Disk& disk,
                   Console& console) {
  std::string temporary;
  if (!WriteTemporary(metPath, content, disk, console, &temporary)) return false;
  InterruptsHeld held;
  // Never over a file that appeared meanwhile.
  if (int error = disk.MoveNoReplace(temporary, metPath)) {
    Print(console, kMsgCannotRename, temporary.c_str(), metPath.c_str(), error);
    RemoveTemporary(temporary, disk);
    ReportUnchanged(metPath, console);
    return false;
  }
  KeepOnInterrupt();
  if (int error = disk.FlushFolder(RemoveFileSpec(metPath))) {
    Print(console, kMsgFolderFlushFailed, metPath.c_str(), error);
    return false;
  }
  return true;
}

bool InstallMetFile(const std::string& metPath, const std::string& content, Disk& disk,
                    Console& console) {
  std::string temporary;
  if (!WriteTemporary(metPath, content, disk, console, &temporary)) return false;
  int error = 0;
  // From the backup to the swap (or its undoing) an interrupt waits: cut in
  // between, it would leave a backup of a file that was never replaced.
  InterruptsHeld held;
  BackupResult backup = BackupMetFile(metPath, disk);
  if (backup.error) {
    Print(console, kMsgCannotBackUp, metPath.c_str(),
          backup.name.c_str(), backup.error);
    RemoveTemporary(temporary, disk);
    ReportUnchanged(metPath, console);
    return false;
  }
  // The one step that changes what the metadata path holds, atomically.
  if ((error = disk.MoveReplace(temporary, metPath)) != 0) {
    Print(console, kMsgCannotRename, temporary.c_str(),
          metPath.c_str(), error);
    const bool back = DropBackup(metPath, backup, disk);
    RemoveTemporary(temporary, disk);
    if (back)
      ReportUnchanged(metPath, console);
    else
      Print(console, kMsgOldNotBack, metPath.c_str(), backup.name.c_str());
    return false;
  }
  KeepOnInterrupt();
  if ((error = disk.FlushFolder(RemoveFileSpec(metPath))) != 0) {
    Print(console, kMsgFolderFlushFailed, metPath.c_str(),
          error);
    // Without a durable folder the rename may not survive a crash: go back
    // to the old file, which replaces the new one in one step.
    if (disk.MoveReplace(backup.name, metPath) == 0) {
      ReportUnchanged(metPath, console);
    } else {
      Print(console, kMsgNewInPlace, metPath.c_str(),
            backup.name.c_str());
    }
    return false;
  }
  return true;
}
