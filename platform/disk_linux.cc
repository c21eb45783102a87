#include "platform/disk.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "platform/interrupt.h"
#include "platform/open_checks.h"

void CloseNativeHandle(NativeHandle handle) {
  DropLease(static_cast<int>(handle));
  close(static_cast<int>(handle));
}

namespace {

int Fd(File& file) { return static_cast<int>(file.handle()); }

FileIdentity IdentityOf(const struct stat& info) {
  return FileIdentity{static_cast<uint64_t>(info.st_dev), static_cast<uint64_t>(info.st_ino)};
}

// Keeps only regular files: a folder fails as the system would fail it, and
// anything else (a FIFO, a socket, a device) is refused. The descriptor was
// opened without blocking, so that a FIFO with no writer could not hang the
// open; regular files do not need that mode afterwards.
OpenResult KeepRegular(OpenResult opened) {
  if (!opened.ok()) return opened;
  struct stat info;
  if (fstat(Fd(opened.file), &info) != 0) return OpenResult::Failure(errno);
  if (S_ISDIR(info.st_mode)) return OpenResult::Failure(EISDIR);
  if (!S_ISREG(info.st_mode)) return OpenResult::Refused(OpenRefusal::NotRegularFile);
  int flags = fcntl(Fd(opened.file), F_GETFL);
  if (flags >= 0) fcntl(Fd(opened.file), F_SETFL, flags & ~O_NONBLOCK);
  return opened;
}

FileStatus StatusFrom(const struct stat& info) {
  FileStatus status;
  status.identity = IdentityOf(info);
  status.size = static_cast<uint64_t>(info.st_size);
  status.links = static_cast<uint32_t>(info.st_nlink);
  status.modified = int64_t(info.st_mtim.tv_sec) * 1000000000 + info.st_mtim.tv_nsec;
  status.accessed = int64_t(info.st_atim.tv_sec) * 1000000000 + info.st_atim.tv_nsec;
  status.blockSize = static_cast<uint32_t>(info.st_blksize);
  return status;
}

int IdentifyFd(int fd, FileIdentity* identity) {
  struct stat info;
  if (fstat(fd, &info) != 0) return errno;
  *identity = IdentityOf(info);
  return 0;
}

// Whether another process has the open file open: the kernel's answer by a
// write lease where it can give one, else what /proc shows. The lease is
// kept when `keepLease`, so that a later open by anyone can be noticed.
int CheckOthers(File& file, bool keepLease) {
  int lease = TakeWriteLease(Fd(file));
  if (lease == 0) {
    if (!keepLease) DropLease(Fd(file));
    return 0;
  }
  if (lease == EBUSY) return EBUSY;
  FileIdentity identity;
  if (int error = IdentifyFd(Fd(file), &identity)) return error;
  return OtherProcessHasOpen(identity, /*writersOnly=*/false) ? EBUSY : 0;
}

// Takes the advisory lock, which binds only those who take it (the clients
// take none), and then checks for other processes that hold the file the
// way the lock stands for.
OpenResult Guarded(OpenResult opened, int lockKind) {
  if (!opened.ok()) return opened;
  int error = 0;
  if (flock(Fd(opened.file), lockKind | LOCK_NB) != 0) {
    error = errno;
  } else if (lockKind == LOCK_EX) {
    error = CheckOthers(opened.file, /*keepLease=*/true);
  } else {
    FileIdentity identity;
    error = IdentifyFd(Fd(opened.file), &identity);
    if (!error && OtherProcessHasOpen(identity, /*writersOnly=*/true)) error = EBUSY;
  }
  if (error) return OpenResult::Failure(error);
  return opened;
}

// cachestat(2), Linux 6.5 on: how many pages of a file the page cache holds.
// The C library of Debian 12 does not name it yet; its number is the same on
// every architecture that numbers new calls alike.
#if defined(SYS_cachestat)
constexpr long kCachestat = SYS_cachestat;
#elif defined(__x86_64__) || defined(__aarch64__)
constexpr long kCachestat = 451;
#else
constexpr long kCachestat = -1;
#endif

// True when every page of the file is in the page cache, so that reading it
// anywhere moves no disk head. False where the kernel cannot tell.
bool WhollyCached(int fd, uint64_t size) {
  struct Range {
    uint64_t offset, length;  // length 0: to the end of the file
  } range{0, 0};
  struct Counts {
    uint64_t cached, dirty, writeback, evicted, recentlyEvicted;
  } counts{};
  if (kCachestat < 0 || size == 0) return false;
  if (syscall(kCachestat, fd, &range, &counts, 0) != 0) return false;
  const uint64_t page = static_cast<uint64_t>(sysconf(_SC_PAGESIZE));
  return counts.cached >= (size + page - 1) / page;
}

// The first line of a small sysfs file, or "" where there is none.
std::string SysfsLine(const std::string& path) {
  char line[64] = "";
  FILE* file = std::fopen(path.c_str(), "r");
  if (!file) return "";
  if (!std::fgets(line, sizeof line, file)) line[0] = '\0';
  std::fclose(file);
  return std::string(line, std::strcspn(line, "\n"));
}

// The rotational flag of the block device with the number `device`, a
// partition asking its disk: '1' for a rotating disk, '0' for one without
// seeks. Unknown where there is no such device (tmpfs, NFS, btrfs' own
// numbers) or where the disk is a hypervisor's (see VirtualDisk).
SeekCost RotationalFlag(dev_t device) {
  char path[96];
  const unsigned maj = major(device), min = minor(device);
  std::snprintf(path, sizeof path, "/sys/dev/block/%u:%u/partition", maj, min);
  const bool partition = access(path, F_OK) == 0;
  std::snprintf(path, sizeof path, "/sys/dev/block/%u:%u/%s", maj, min, partition ? "../" : "");
  const std::string disk = path;
  const std::string value = SysfsLine(disk + "queue/rotational");
  if (value == "1") return VirtualDisk(disk) ? SeekCost::Unknown : SeekCost::Seeks;
  return value == "0" ? SeekCost::None : SeekCost::Unknown;
}

// A read, tried again when a signal cut it short.
template <typename ReadCall>
ReadResult Retried(ReadCall call) {
  for (;;) {
    ssize_t got = call();
    if (got >= 0) return ReadResult{static_cast<size_t>(got), 0};
    if (errno != EINTR) return ReadResult{0, errno};
  }
}

class PosixDisk : public Disk {
 public:
  OpenResult OpenShared(const std::string& path) override {
    // A FIFO, socket or device is named for what it is, whatever links
    // lead to it (/dev/stdin).
    struct stat info;
    if (stat(path.c_str(), &info) == 0 && !S_ISREG(info.st_mode) && !S_ISDIR(info.st_mode))
      return OpenResult::Refused(OpenRefusal::NotRegularFile);
    // Reading leaves the access time as it was: a check or a dry run
    // changes no time of any file.
    return KeepRegular(OpenTrusted(path, O_RDONLY | O_NOATIME));
  }

  OpenResult OpenForReading(const std::string& path) override {
    return Guarded(KeepRegular(OpenTrusted(path, O_RDONLY | O_NOATIME)), LOCK_SH);
  }

  OpenResult OpenExclusive(const std::string& path) override {
    return Guarded(KeepRegular(OpenTrusted(path, O_RDWR)), LOCK_EX);
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


  int Seek(File& file, uint64_t offset) override {
    if (offset > static_cast<uint64_t>(INT64_MAX)) return EINVAL;
    if (lseek(Fd(file), static_cast<off_t>(offset), SEEK_SET) < 0) return errno;
    return 0;
  }

  ReadResult Read(File& file, void* buffer, size_t size) override {
    return Retried([&] { return read(Fd(file), buffer, size); });
  }

  ReadResult ReadAt(File& file, uint64_t offset, void* buffer, size_t size) override {
    if (offset > static_cast<uint64_t>(INT64_MAX)) return ReadResult{0, EINVAL};
    return Retried([&] { return pread(Fd(file), buffer, size, static_cast<off_t>(offset)); });
  }

  OpenResult OpenSequentialReader(File& file) override {
    // The descriptor's own entry in /proc opens the very file it holds, as
    // a new open file with its own read-ahead, whatever became of its name.
    char path[48];
    std::snprintf(path, sizeof path, "/proc/self/fd/%d", Fd(file));
    int fd = open(path, O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NOATIME);
    if (fd < 0 && errno == EPERM) fd = open(path, O_RDONLY | O_CLOEXEC | O_NOCTTY);
    if (fd < 0) return OpenResult::Failure(errno);
    // The kernel gives this open file twice the device's read-ahead.
    posix_fadvise(fd, 0, 0, POSIX_FADV_SEQUENTIAL);
    OpenResult result;
    result.file = File(fd);
    return result;
  }

  void Prefetch(File& file, uint64_t offset, uint64_t length) override {
    // Linux queues the reads of the whole range and returns.
    if (offset > static_cast<uint64_t>(INT64_MAX)) return;
    const uint64_t room = static_cast<uint64_t>(INT64_MAX) - offset;
    posix_fadvise(Fd(file), static_cast<off_t>(offset), static_cast<off_t>(std::min(length, room)),
                  POSIX_FADV_WILLNEED);
  }

  SeekCost SeekCostOf(File& file) override {
    struct stat info;
    if (fstat(Fd(file), &info) != 0) return SeekCost::Unknown;
    if (WhollyCached(Fd(file), static_cast<uint64_t>(info.st_size))) return SeekCost::Cached;
    return RotationalFlag(info.st_dev);
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

  // Linux file systems need no mark: any range can be released at any time.
  int SetSparse(File&) override { return 0; }

  int PunchHole(File& file, uint64_t offset, uint64_t length) override {
    if (fallocate(Fd(file), FALLOC_FL_PUNCH_HOLE | FALLOC_FL_KEEP_SIZE, static_cast<off_t>(offset),
                  static_cast<off_t>(length)) != 0)
      return errno;
    return 0;
  }

  int DataRanges(File& file, uint64_t start, uint64_t end,
                 std::vector<ByteRange>* ranges) override {
    ranges->clear();
    uint64_t at = start;
    while (at < end) {
      off_t data = lseek(Fd(file), static_cast<off_t>(at), SEEK_DATA);
      if (data < 0) {
        if (errno == ENXIO) break;  // nothing but holes up to the end
        // A file system that cannot tell: all of it may hold data.
        ranges->assign(1, ByteRange{at, end});
        return 0;
      }
      if (static_cast<uint64_t>(data) >= end) break;
      off_t hole = lseek(Fd(file), data, SEEK_HOLE);
      uint64_t stop = hole < 0 ? end : std::min<uint64_t>(static_cast<uint64_t>(hole), end);
      ranges->push_back(ByteRange{static_cast<uint64_t>(data), stop});
      at = stop;
    }
    return 0;
  }

  int ConfirmExclusive(File& file) override { return LeaseBroken(Fd(file)) ? EBUSY : 0; }

  int CheckNotInUse(const std::string& path) override {
    OpenResult opened = KeepRegular(OpenTrusted(path, O_RDONLY));
    if (opened.refusal != OpenRefusal::None) return 0;  // not a file a client holds
    if (opened.error) return opened.error;
    return CheckOthers(opened.file, /*keepLease=*/false);
  }


  int RestoreTimes(File& file, const FileTimes& times) override {
    timespec both[2];
    for (int i = 0; i < 2; ++i) {
      const int64_t at = i == 0 ? times.access : times.modify;
      both[i].tv_sec = static_cast<time_t>(at / 1000000000);
      both[i].tv_nsec = static_cast<long>(at % 1000000000);
    }
    return futimens(Fd(file), both) == 0 ? 0 : errno;
  }

  int FolderEntries(const std::string& folder, std::vector<std::string>* names) override {
    DIR* entries = opendir(folder.c_str());
    if (!entries) return errno;
    names->clear();
    while (dirent* entry = readdir(entries)) {
      const std::string name = entry->d_name;
      if (name != "." && name != "..") names->push_back(name);
    }
    closedir(entries);
    return 0;
  }



  int Status(File& file, FileStatus* status) override {
    struct stat info;
    if (fstat(Fd(file), &info) != 0) return errno;
    *status = StatusFrom(info);
    return 0;
  }

  int StatusOf(const std::string& path, FileStatus* status) override {
    struct stat info;
    if (stat(path.c_str(), &info) != 0) return errno;
    *status = StatusFrom(info);
    return 0;
  }

  PathResult ResolveLinks(const std::string& path) override { return ResolveTrusted(path); }

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

bool IsBusy(int error) { return error == EBUSY || error == EWOULDBLOCK; }

bool IsAlreadyExists(int error) { return error == EEXIST; }

bool IsLinkUnsupported(int error) {
  return error == EPERM || error == EOPNOTSUPP || error == ENOSYS || error == EMLINK ||
         error == EXDEV;
}

int64_t ModifiedUnixSeconds(const FileTimes& times) { return times.modify / 1000000000; }
