// Memory that the processor fills and reads again and again: the buffers the
// lanes of a part check read into.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

struct FreeLargeBlock {
  void operator()(uint8_t* block) const;
};

/// A zeroed block of memory, freed when the handle goes.
using LargeBlock = std::unique_ptr<uint8_t[], FreeLargeBlock>;

/// A block of at least `bytes`, aligned to 4 KiB at least, which the system
/// may back with huge pages: on a virtual machine every first touch of a
/// 4 KiB page is a fault that costs the hypervisor's time, and a part check's
/// buffers of a few MiB took some 8 % of its processor time in faults alone.
/// Ends the run with the out-of-memory message when the memory is not there.
LargeBlock AllocateLargeBlock(size_t bytes);
