// MD4 of many independent messages at once, one message per SIMD lane: the parts of a download
// are independent, so a rebuild can hash 4, 8 or 16 of them in the time of about one. The kernel
// is chosen once at run time from what the processor offers; the digests are those of RFC 1320.
#ifndef PARTSWEEP_HASH_MD4_LANES_H_
#define PARTSWEEP_HASH_MD4_LANES_H_

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>

#include "hash/md4.h"
#include "platform/large_block.h"

// The instruction sets MD4 can run on, narrowest first.
enum class Md4Kernel { kScalar, kSse2, kAvx2, kAvx512 };

// Messages one lane group of the kernel hashes side by side: 1, 4, 8 or 16.
int Md4KernelLanes(Md4Kernel kernel);

// The kernel's name for reports: "scalar", "SSE2", "AVX2" or "AVX-512".
const char* Md4KernelName(Md4Kernel kernel);

// True when this build has the kernel and this processor and its OS can run it.
bool Md4KernelRuns(Md4Kernel kernel);

// The widest kernel that runs here, found once from CPUID.
Md4Kernel Md4BestKernel();

// For tests and benchmarks: hash with `kernel` alone from now on, or go back to choosing freely
// with nullopt. Returns false, changing nothing, if the kernel cannot run here.
bool ForceMd4Kernel(std::optional<Md4Kernel> kernel);

// The kernel forced by ForceMd4Kernel or PARTSWEEP_MD4_KERNEL, if any.
std::optional<Md4Kernel> ForcedMd4Kernel();

// Groups of lanes a kernel pass interleaves at most: one group waits on its own latency.
constexpr int kMd4MaxGroups = 3;

// The most messages hashed side by side: 16 lanes x 3 groups. Calls may pass more; they are
// hashed in slices of this many.
constexpr size_t kMd4MaxMessages = 16 * kMd4MaxGroups;

// One pass of a call: `messages` of its messages in `groups` interleaved groups of the kernel's
// lanes (a pass of the scalar kernel hashes one message).
struct Md4Pass {
  Md4Kernel kernel = Md4Kernel::kScalar;
  int groups = 1;
  size_t messages = 0;
};

// The passes a call with `count` (at most kMd4MaxMessages) messages is split into: the
// cheapest arrangement of the kernels allowed (the best one and the narrower, or a forced one).
struct Md4Arrangement {
  size_t passes = 0;
  Md4Pass pass[kMd4MaxMessages];
};

// The arrangement Md4UpdateLanes uses for `count` messages (at most kMd4MaxMessages).
Md4Arrangement ArrangeMd4Lanes(size_t count);

// The time Md4UpdateLanes takes per block of each of `count` messages (1 to kMd4MaxMessages) in
// that arrangement, relative to one block of scalar MD4, so that callers can weigh how to batch
// their messages. From the pass costs measured on one processor; elsewhere only a guide.
double Md4LanesCost(size_t count);

// Hashes `blocks` whole 64-byte blocks of each of `count` messages side by side: data[i] (any
// alignment) is read into contexts[i], a distinct context holding whole blocks only (nothing
// pending after Md4Init, Md4Resume or earlier calls); one with bytes pending goes to Md4Update.
void Md4UpdateLanes(Md4Context* const contexts[], const uint8_t* const data[], size_t count,
                    size_t blocks);

// Hashes as Md4UpdateLanes does, in the one pass given, for benchmarks that compare
// arrangements. False, hashing nothing, unless the kernel runs here, pass.messages is at most
// lanes x groups and no context has bytes pending.
bool Md4UpdatePass(const Md4Pass& pass, Md4Context* const contexts[], const uint8_t* const data[],
                   size_t blocks);

// The digests of `count` whole messages of any lengths, data[i] of sizes[i] bytes: the blocks
// they share go through the lanes, and the scalar code finishes each one.
void Md4DigestLanes(const uint8_t* const data[], const size_t sizes[], size_t count,
                    uint8_t digests[][16]);

// `count` buffers of `size` bytes for messages in lanes. Buffers a multiple of 4 KiB apart would
// share cache sets, so each one starts 64 bytes further past a 4 KiB boundary than the one before.
struct StaggeredLaneBuffers {
  StaggeredLaneBuffers(size_t count, size_t size);

  // The first byte of buffer `i`.
  uint8_t* Lane(size_t i) const { return base + i * stride; }

  size_t count;
  size_t size;
  size_t stride;
  // On huge pages where the system gives them: see AllocateLargeBlock.
  LargeBlock storage;
  uint8_t* base;
};

#endif  // PARTSWEEP_HASH_MD4_LANES_H_
