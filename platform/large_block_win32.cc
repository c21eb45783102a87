#include "platform/large_block.h"

#include <windows.h>

#include "platform/console.h"

// Large pages need a privilege that users do not hold; the block has the
// ordinary pages VirtualAlloc gives, zeroed and aligned to 64 KiB.
void FreeLargeBlock::operator()(uint8_t* block) const { VirtualFree(block, 0, MEM_RELEASE); }

LargeBlock AllocateLargeBlock(size_t bytes) {
  void* block = VirtualAlloc(nullptr, bytes == 0 ? 1 : bytes, MEM_COMMIT | MEM_RESERVE,
                             PAGE_READWRITE);
  if (!block) ExitOutOfMemory();
  return LargeBlock(static_cast<uint8_t*>(block));
}
