#include "platform/large_block.h"

#include <sys/mman.h>

#include <cstdlib>
#include <cstring>

#include "platform/console.h"

namespace {

constexpr size_t kHugePage = size_t{2} << 20;

}  // namespace

void FreeLargeBlock::operator()(uint8_t* block) const { std::free(block); }

LargeBlock AllocateLargeBlock(size_t bytes) {
  // Whole huge pages, aligned to one, are what the system can back with them.
  const size_t rounded = bytes == 0 ? kHugePage : (bytes + kHugePage - 1) / kHugePage * kHugePage;
  void* block = std::aligned_alloc(kHugePage, rounded);
  if (!block) ExitOutOfMemory();
#ifdef MADV_HUGEPAGE
  // Only a wish: where huge pages are off, the block has ordinary pages.
  madvise(block, rounded, MADV_HUGEPAGE);
#endif
  std::memset(block, 0, rounded);
  return LargeBlock(static_cast<uint8_t*>(block));
}
