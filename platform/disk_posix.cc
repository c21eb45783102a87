#include "platform/disk.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "platform/sparse.h"

void File::Close() {
  if (handle_ == kNoHandle) return;
  close(static_cast<int>(handle_));
  handle_ = kNoHandle;
}

namespace {

int Fd(File& file) { return static_cast<int>(file.handle()); }

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

// Advisory locks bind only those who take them and the download clients take
// none, so look for other processes that hold the same file open, as fuser
// does. Processes of other users that we may not inspect are not seen.
bool OtherProcessHasOpen(const struct stat& target, bool writersOnly) {
  DIR* proc = opendir("/proc");
  if (!proc) return false;
  const pid_t self = getpid();
  bool found = false;
  char path[320];
  while (!found) {
    dirent* process = readdir(proc);
    if (!process) break;
    char* end;
    long pid = std::strtol(process->d_name, &end, 10);
    if (*end != '\0' || pid <= 0 || pid == self) continue;
    std::snprintf(path, sizeof path, "/proc/%ld/fd", pid);
    DIR* fds = opendir(path);
    if (!fds) continue;
    while (dirent* fd = readdir(fds)) {
      if (fd->d_name[0] == '.') continue;
      struct stat held;
      std::snprintf(path, sizeof path, "/proc/%ld/fd/%s", pid, fd->d_name);
      if (stat(path, &held) != 0 || held.st_dev != target.st_dev || held.st_ino != target.st_ino)
        continue;
      std::snprintf(path, sizeof path, "/proc/%ld/fdinfo/%s", pid, fd->d_name);
      if (!writersOnly || OpenForWriting(path)) {
        found = true;
        break;
      }
    }
    closedir(fds);
  }
  closedir(proc);
  return found;
}

OpenResult OpenWith(const std::string& path, int flags) {
  OpenResult result;
  int fd = open(path.c_str(), flags | O_CLOEXEC);
  if (fd < 0) {
    result.error = errno;
    return result;
  }
  result.file = File(fd);
  struct stat info;
  if (fstat(fd, &info) != 0) {
    result.error = errno;
    result.file.Close();
  } else if (S_ISDIR(info.st_mode)) {
    result.error = EISDIR;
    result.file.Close();
  }
  return result;
}

// Takes the advisory lock and checks that no other process holds the file
// in a way the lock stands for.
int GuardAgainstOthers(File& file, int lockKind, bool writersOnly) {
  if (flock(Fd(file), lockKind | LOCK_NB) != 0) return errno;
  struct stat info;
  if (fstat(Fd(file), &info) != 0) return errno;
  if (OtherProcessHasOpen(info, writersOnly)) return EBUSY;
  return 0;
}

OpenResult Guarded(OpenResult opened, int lockKind, bool writersOnly) {
  if (opened.error) return opened;
  opened.error = GuardAgainstOthers(opened.file, lockKind, writersOnly);
  if (opened.error) opened.file.Close();
  return opened;
}

class PosixDisk : public Disk {
 public:
  OpenResult OpenShared(const std::string& path) override { return OpenWith(path, O_RDONLY); }

  OpenResult OpenForReading(const std::string& path) override {
    return Guarded(OpenWith(path, O_RDONLY), LOCK_SH, /*writersOnly=*/true);
  }

  OpenResult OpenExclusive(const std::string& path) override {
    return Guarded(OpenWith(path, O_RDWR), LOCK_EX, /*writersOnly=*/false);
  }

  OpenResult CreateNew(const std::string& path) override {
    OpenResult result;
    int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0)
      result.error = errno;
    else
      result.file = File(fd);
    return result;
  }

  int FileSize(File& file, uint64_t* size) override {
    struct stat info;
    if (fstat(Fd(file), &info) != 0) return errno;
    *size = static_cast<uint64_t>(info.st_size);
    return 0;
  }

  int Seek(File& file, uint64_t offset) override {
    if (offset > static_cast<uint64_t>(INT64_MAX)) return EINVAL;
    if (lseek(Fd(file), static_cast<off_t>(offset), SEEK_SET) < 0) return errno;
    return 0;
  }

  ReadResult Read(File& file, void* buffer, size_t size) override {
    ReadResult result;
    for (;;) {
      ssize_t got = read(Fd(file), buffer, size);
      if (got >= 0) {
        result.count = static_cast<size_t>(got);
        return result;
      }
      if (errno != EINTR) {
        result.error = errno;
        return result;
      }
    }
  }

  int Write(File& file, const void* buffer, size_t size) override {
    const char* next = static_cast<const char*>(buffer);
    while (size > 0) {
      ssize_t put = write(Fd(file), next, size);
      if (put < 0) {
        if (errno == EINTR) continue;
        return errno;
      }
      next += put;
      size -= static_cast<size_t>(put);
    }
    return 0;
  }

  int Flush(File& file) override { return fsync(Fd(file)) != 0 ? errno : 0; }

  int SetSparse(File& file) override { return MarkFileSparse(file.handle()); }

  int ZeroRange(File& file, uint64_t offset, uint64_t length) override {
    return ReleaseFileRange(file.handle(), offset, length);
  }

  int LinkNoReplace(const std::string& from, const std::string& to) override {
    return link(from.c_str(), to.c_str()) != 0 ? errno : 0;
  }

  int MoveNoReplace(const std::string& from, const std::string& to) override {
    if (renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0) return 0;
    if (errno != EINVAL && errno != ENOSYS) return errno;
    // The file system cannot refuse to replace: look first, which leaves
    // only a race with another program creating that very name.
    struct stat existing;
    if (lstat(to.c_str(), &existing) == 0) return EEXIST;
    return rename(from.c_str(), to.c_str()) != 0 ? errno : 0;
  }

  int MoveReplace(const std::string& from, const std::string& to) override {
    return rename(from.c_str(), to.c_str()) != 0 ? errno : 0;
  }

  int Remove(const std::string& path) override { return unlink(path.c_str()) != 0 ? errno : 0; }

  void CopyOwnership(File& file, const std::string& model) override {
    // A rewrite run by root on a user's download must leave a file the
    // user's client can still write. Either step may be refused to a
    // process that is not root; the file then stays as it was created.
    struct stat info;
    if (stat(model.c_str(), &info) != 0) return;
    (void)!fchown(Fd(file), info.st_uid, info.st_gid);
    (void)!fchmod(Fd(file), info.st_mode & 07777);
  }

  int FlushFolder(const std::string& folder) override {
    int fd = open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return errno;
    int error = fsync(fd) != 0 ? errno : 0;
    close(fd);
    // Some file systems cannot flush a folder; the rename itself is done.
    return error == EINVAL ? 0 : error;
  }
};

}  // namespace

Disk& SystemDisk() {
  static PosixDisk disk;
  return disk;
}

bool IsAlreadyExists(int error) { return error == EEXIST; }

bool IsLinkUnsupported(int error) {
  return error == EPERM || error == EOPNOTSUPP || error == ENOSYS || error == EMLINK ||
         error == EXDEV;
}
