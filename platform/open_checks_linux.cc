#include "platform/open_checks.h"

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <set>
#include <vector>

#include "platform/path.h"

namespace {

// As many links as the kernel follows in one path.
constexpr int kMaxLinks = 40;

// A folder opened for looking up one name in it, closed on scope exit.
struct FolderHandle {
  int fd = -1;
  ~FolderHandle() {
    if (fd >= 0) close(fd);
  }
};

// One step of the walk: `path` split into its folder and last name.
struct Step {
  std::string folder;
  std::string name;
};

Step Split(const std::string& path) {
  std::string folder = RemoveFileSpec(path);
  std::string name = path.substr(folder.size());
  while (!name.empty() && IsPathSeparator(name.front())) name.erase(0, 1);
  return Step{folder, name};
}

// Where a walk over the links of a path ended: the folder it was checked in,
// the final name there and what that name is (never a link), and the owners
// of the links followed that are not the user running the tool.
struct Walked {
  PathResult result;
  FolderHandle folder;
  std::string name;
  struct stat finalEntry {};
  std::vector<uid_t> linkOwners;
};

// One link, its owner and its target read from the very same inode (opened
// as a path only), so that no swap between the two can mix them.
int ReadLink(int folder, const std::string& name, struct stat* entry, std::string* target) {
  int link = openat(folder, name.c_str(), O_PATH | O_NOFOLLOW | O_CLOEXEC);
  if (link < 0) return errno;
  int error = fstat(link, entry) == 0 ? 0 : errno;
  if (!error && S_ISLNK(entry->st_mode)) {
    char text[4096];
    ssize_t length = readlinkat(link, "", text, sizeof text - 1);
    if (length < 0)
      error = errno;
    else
      target->assign(text, static_cast<size_t>(length));
  }
  close(link);
  return error;
}

// True when every link followed may be: it is the user's own, or its owner
// also owns the file it leads to (so it gives nobody a way to a file that is
// not theirs). `owner` is that file's.
bool LinksTrusted(const std::vector<uid_t>& linkOwners, uid_t owner) {
  for (uid_t linkOwner : linkOwners) {
    if (linkOwner != owner) return false;
  }
  return true;
}

// Walks the links of the last component until it is no link, and checks
// the links followed against the owner of the file they lead to.
void Walk(const std::string& path, Walked& walked) {
  PathResult& result = walked.result;
  std::string current = path;
  for (int hop = 0; hop <= kMaxLinks; ++hop) {
    Step step = Split(current);
    if (step.name.empty()) {
      result.error = EISDIR;
      return;
    }
    if (walked.folder.fd >= 0) close(walked.folder.fd);
    walked.folder.fd = open(step.folder.empty() ? "." : step.folder.c_str(),
                            O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (walked.folder.fd < 0) {
      result.error = errno;
      return;
    }
    struct stat entry;
    std::string target;
    if ((result.error = ReadLink(walked.folder.fd, step.name, &entry, &target)) != 0) return;
    if (!S_ISLNK(entry.st_mode)) {
      result.path = current;
      walked.name = step.name;
      walked.finalEntry = entry;
      if (!LinksTrusted(walked.linkOwners, entry.st_uid))
        result.refusal = OpenRefusal::UntrustedLink;
      return;
    }
    if (entry.st_uid != geteuid()) walked.linkOwners.push_back(entry.st_uid);
    current = target[0] == '/' ? target : AppendPath(step.folder, target);
  }
  result.error = ELOOP;
}

std::mutex leasesMutex;
std::set<int> leased;

}  // namespace

PathResult ResolveTrusted(const std::string& path) {
  Walked walked;
  Walk(path, walked);
  return walked.result;
}

OpenResult OpenTrusted(const std::string& path, int flags) {
  Walked walked;
  Walk(path, walked);
  if (walked.result.refusal != OpenRefusal::None) return OpenResult::Refused(walked.result.refusal);
  if (walked.result.error) return OpenResult::Failure(walked.result.error);
  // A device is not even opened: opening some has effects of its own.
  const mode_t mode = walked.finalEntry.st_mode;
  if (!S_ISREG(mode) && !S_ISDIR(mode)) return OpenResult::Refused(OpenRefusal::NotRegularFile);
  int fd = openat(walked.folder.fd, walked.name.c_str(), flags | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
  // Only a file's owner may read it without moving its access time.
  if (fd < 0 && errno == EPERM && (flags & O_NOATIME))
    fd = openat(walked.folder.fd, walked.name.c_str(),
                (flags & ~O_NOATIME) | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) {
    // The name was no link when checked: one swapped in since is not followed.
    if (errno == ELOOP) return OpenResult::Refused(OpenRefusal::UntrustedLink);
    return OpenResult::Failure(errno);
  }
  OpenResult result;
  result.file = File(fd);
  // The owner that counts is the opened file's, whatever was swapped in
  // under the name since it was looked at.
  struct stat opened;
  if (fstat(fd, &opened) != 0) return OpenResult::Failure(errno);
  if (!LinksTrusted(walked.linkOwners, opened.st_uid))
    return OpenResult::Refused(OpenRefusal::UntrustedLink);
  result.finalPath = walked.result.path;
  return result;
}

int TakeWriteLease(int fd) {
  // A broken lease is announced with SIGIO, whose default is to end the
  // process; the tool asks for the state instead (LeaseBroken).
  static std::once_flag ignoreSignal;
  std::call_once(ignoreSignal, [] { signal(SIGIO, SIG_IGN); });
  if (fcntl(fd, F_SETLEASE, F_WRLCK) == 0) {
    std::lock_guard<std::mutex> lock(leasesMutex);
    leased.insert(fd);
    return 0;
  }
  if (errno == EAGAIN || errno == EBUSY) return EBUSY;
  return ENOLCK;
}

bool LeaseBroken(int fd) {
  {
    std::lock_guard<std::mutex> lock(leasesMutex);
    if (!leased.count(fd)) return false;
  }
  // While another open waits, the lease reads as the type it must drop to.
  return fcntl(fd, F_GETLEASE) != F_WRLCK;
}

void DropLease(int fd) {
  std::lock_guard<std::mutex> lock(leasesMutex);
  if (leased.erase(fd)) fcntl(fd, F_SETLEASE, F_UNLCK);
}

namespace {

// True when the descriptor's file-status flags allow writing.
bool OpenForWriting(const char* fdinfoPath) {
  FILE* info = std::fopen(fdinfoPath, "r");
  if (!info) return false;
  char line[128];
  bool writing = false;
  while (std::fgets(line, sizeof line, info)) {
    if (std::strncmp(line, "flags:", 6) == 0) {
      long flags = std::strtol(line + 6, nullptr, 8);
      writing = (flags & O_ACCMODE) != O_RDONLY;
      break;
    }
  }
  std::fclose(info);
  return writing;
}

// True when process `pid` has the file open, as its fd folder shows.
bool ProcessHasOpen(long pid, const FileIdentity& target, bool writersOnly) {
  char path[320];
  std::snprintf(path, sizeof path, "/proc/%ld/fd", pid);
  DIR* fds = opendir(path);
  if (!fds) return false;
  bool found = false;
  while (dirent* fd = readdir(fds)) {
    if (fd->d_name[0] == '.') continue;
    struct stat held;
    std::snprintf(path, sizeof path, "/proc/%ld/fd/%s", pid, fd->d_name);
    if (stat(path, &held) != 0 || uint64_t(held.st_dev) != target.device ||
        uint64_t(held.st_ino) != target.index)
      continue;
    std::snprintf(path, sizeof path, "/proc/%ld/fdinfo/%s", pid, fd->d_name);
    if (!writersOnly || OpenForWriting(path)) {
      found = true;
      break;
    }
  }
  closedir(fds);
  return found;
}

}  // namespace

bool OtherProcessHasOpen(const FileIdentity& target, bool writersOnly) {
  DIR* proc = opendir("/proc");
  if (!proc) return false;
  const pid_t self = getpid();
  bool found = false;
  while (!found) {
    dirent* process = readdir(proc);
    if (!process) break;
    char* end;
    long pid = std::strtol(process->d_name, &end, 10);
    if (*end != '\0' || pid <= 0 || pid == self) continue;
    found = ProcessHasOpen(pid, target, writersOnly);
  }
  closedir(proc);
  return found;
}

bool VirtualDisk(const std::string& disk) {
  char target[256];
  const std::string subsystem = disk + "device/subsystem";
  const ssize_t length = readlink(subsystem.c_str(), target, sizeof target - 1);
  if (length > 0) {
    target[length] = '\0';
    const char* bus = std::strrchr(target, '/');
    bus = bus ? bus + 1 : target;
    if (std::strcmp(bus, "virtio") == 0 || std::strcmp(bus, "xen") == 0) return true;
  }
  // SCSI and ATA disks of a hypervisor carry its name as vendor or model.
  for (const char* field : {"device/vendor", "device/model"}) {
    char line[64] = "";
    FILE* file = std::fopen((disk + field).c_str(), "r");
    if (!file) continue;
    if (!std::fgets(line, sizeof line, file)) line[0] = '\0';
    std::fclose(file);
    for (const char* maker : {"QEMU", "VMware", "Msft", "VBOX", "Xen"}) {
      if (std::strncmp(line, maker, std::strlen(maker)) == 0) return true;
    }
  }
  return false;
}
