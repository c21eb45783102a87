#include "tests/support/platform_traits.h"

#include <fcntl.h>
#include <unistd.h>

bool ReleaseRange(const std::string& path, uint64_t offset, uint64_t length) {
  int fd = open(path.c_str(), O_RDWR | O_CLOEXEC);
  if (fd < 0) return false;
  const bool released = fallocate(fd, FALLOC_FL_PUNCH_HOLE | FALLOC_FL_KEEP_SIZE,
                                  static_cast<off_t>(offset), static_cast<off_t>(length)) == 0;
  close(fd);
  return released;
}
