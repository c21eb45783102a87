#include "tests/support/posix_files.h"

#include <pwd.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

bool RunningAsRoot() { return geteuid() == 0; }

std::optional<uint32_t> UserId(const std::string& name) {
  passwd entry;
  passwd* found = nullptr;
  char buffer[1024];
  if (getpwnam_r(name.c_str(), &entry, buffer, sizeof buffer, &found) != 0 || !found)
    return std::nullopt;
  return found->pw_uid;
}

int MakeSymlink(const std::string& target, const std::string& path) {
  return symlink(target.c_str(), path.c_str()) == 0 ? 0 : errno;
}

int GiveTo(const std::string& path, uint32_t user) {
  passwd entry;
  passwd* found = nullptr;
  char buffer[1024];
  gid_t group = user;
  if (getpwuid_r(user, &entry, buffer, sizeof buffer, &found) == 0 && found) group = found->pw_gid;
  return lchown(path.c_str(), user, group) == 0 ? 0 : errno;
}

int SetMode(const std::string& path, unsigned mode) {
  return chmod(path.c_str(), mode) == 0 ? 0 : errno;
}

int MakeFifo(const std::string& path) { return mkfifo(path.c_str(), 0644) == 0 ? 0 : errno; }

int MakeSocketFile(const std::string& path) {
  int fd = socket(AF_UNIX, SOCK_STREAM, 0);
  if (fd < 0) return errno;
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  if (path.size() >= sizeof address.sun_path) {
    close(fd);
    return ENAMETOOLONG;
  }
  std::memcpy(address.sun_path, path.c_str(), path.size() + 1);
  int error = bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0 ? 0 : errno;
  close(fd);
  return error;
}

bool IsSymlink(const std::string& path) {
  struct stat info;
  return lstat(path.c_str(), &info) == 0 && S_ISLNK(info.st_mode);
}
