#include "tests/support/file_extents.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

std::optional<std::vector<std::pair<uint64_t, uint64_t>>> FileDataExtents(const std::string& path) {
  const int file = open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (file < 0) return std::nullopt;
  struct stat info;
  std::optional<std::vector<std::pair<uint64_t, uint64_t>>> extents;
  if (fstat(file, &info) == 0) {
    const off_t size = info.st_size;
    extents.emplace();
    for (off_t at = 0; at < size;) {
      const off_t data = lseek(file, at, SEEK_DATA);
      if (data < 0 && errno == ENXIO) break;  // only a hole up to the end
      const off_t hole = data < 0 ? -1 : lseek(file, data, SEEK_HOLE);
      if (hole < 0) {
        // No holes known to this file system: all of the rest is data.
        extents->emplace_back(uint64_t(at), uint64_t(size));
        break;
      }
      extents->emplace_back(uint64_t(data), uint64_t(hole));
      at = hole;
    }
  }
  close(file);
  return extents;
}
