#include "platform/sparse.h"

#include <fcntl.h>

#include <cerrno>

int MarkFileSparse(NativeHandle) {
  // Linux file systems need no mark: any range can be released at any time.
  return 0;
}

int ReleaseFileRange(NativeHandle file, uint64_t offset, uint64_t length) {
  if (fallocate(static_cast<int>(file), FALLOC_FL_PUNCH_HOLE | FALLOC_FL_KEEP_SIZE,
                static_cast<off_t>(offset), static_cast<off_t>(length)) != 0)
    return errno;
  return 0;
}
