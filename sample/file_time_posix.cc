#include "sample/file_time.h"

#include <fcntl.h>
#include <sys/stat.h>

#include <cerrno>

int SetModificationTime(const std::string& path, int64_t unixSeconds) {
  timespec times[2];
  times[0].tv_sec = 0;
  times[0].tv_nsec = UTIME_OMIT;  // the access time stays as it is
  times[1].tv_sec = static_cast<time_t>(unixSeconds);
  times[1].tv_nsec = 0;
  return utimensat(AT_FDCWD, path.c_str(), times, 0) == 0 ? 0 : errno;
}

std::optional<int64_t> ModificationTime(const std::string& path) {
  struct stat info;
  if (stat(path.c_str(), &info) != 0) return std::nullopt;
  return static_cast<int64_t>(info.st_mtime);
}

std::optional<std::pair<int64_t, int64_t>> AccessAndModificationTimes(const std::string& path) {
  struct stat info;
  if (stat(path.c_str(), &info) != 0) return std::nullopt;
  return std::make_pair(int64_t(info.st_atim.tv_sec) * 1000000000 + info.st_atim.tv_nsec,
                        int64_t(info.st_mtim.tv_sec) * 1000000000 + info.st_mtim.tv_nsec);
}
