#include "met/part_layout.h"

#include <algorithm>

uint64_t ExpectedPartHashCount(uint64_t size) {
  return size < kPartSize ? 0 : size / kPartSize + 1;
}

uint64_t DownloadPartCount(uint64_t size) { return (size + kPartSize - 1) / kPartSize; }

ByteRange PartRange(uint64_t part, uint64_t size) {
  const uint64_t start = std::min(part * kPartSize, size);
  return ByteRange{start, std::min(start + kPartSize, size)};
}
