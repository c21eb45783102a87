#include "hash/sha1_lanes.h"

#include <algorithm>
#include <cstring>

#include "hash/md4_lanes.h"
#include "hash/md4_lanes_kernels.h"

#if defined(PARTSWEEP_MD4_X86_KERNELS)
#include <cpuid.h>
#endif

namespace {

constexpr size_t kMaxWidth = 16;

#if defined(PARTSWEEP_MD4_X86_KERNELS)
// The processor's SHA extensions, with which the system's SHA-1 hashes about
// as fast as 8 lanes of AVX2 (1.5 and 1.8 GB/s on an AMD EPYC).
bool HasShaExtensions() {
  unsigned eax = 0, ebx = 0, ecx = 0, edx = 0;
  return __get_cpuid_count(7, 0, &eax, &ebx, &ecx, &edx) && (ebx & bit_SHA) != 0;
}

// One call of the kernel: up to its width of messages, the lanes past them hashing the first
// message's blocks again into states of no one.
void HashSlice(Sha1LaneState* const states[], const uint8_t* const data[], size_t count,
               size_t blocks, size_t width) {
  uint32_t state[kMaxWidth][5];
  const uint8_t* lanes[kMaxWidth];
  for (size_t i = 0; i < width; ++i) {
    const size_t from = i < count ? i : 0;
    std::memcpy(state[i], states[from]->h, sizeof state[i]);
    lanes[i] = data[from];
  }
  if (width == 16)
    Sha1LanesAvx512(state, lanes, blocks);
  else
    Sha1LanesAvx2(state, lanes, blocks);
  for (size_t i = 0; i < count; ++i) std::memcpy(states[i]->h, state[i], sizeof state[i]);
}
#endif

}  // namespace

void Sha1LaneInit(Sha1LaneState* state) {
  static const uint32_t kStart[5] = {0x67452301, 0xEFCDAB89, 0x98BADCFE, 0x10325476, 0xC3D2E1F0};
  std::memcpy(state->h, kStart, sizeof kStart);
}

size_t Sha1LaneWidth() {
#if defined(PARTSWEEP_MD4_X86_KERNELS)
  const std::optional<Md4Kernel> forced = ForcedMd4Kernel();
  if (forced) return *forced == Md4Kernel::kAvx512 ? 16 : *forced == Md4Kernel::kAvx2 ? 8 : 0;
  if (Md4KernelRuns(Md4Kernel::kAvx512)) return 16;
  static const bool shaExtensions = HasShaExtensions();
  if (Md4KernelRuns(Md4Kernel::kAvx2) && !shaExtensions) return 8;
#endif
  return 0;
}

bool Sha1UpdateLanes(Sha1LaneState* const states[], const uint8_t* const data[], size_t count,
                     size_t blocks, size_t width) {
#if defined(PARTSWEEP_MD4_X86_KERNELS)
  if (width != 16 && width != 8) return false;
  for (size_t done = 0; done < count && blocks != 0; done += width)
    HashSlice(states + done, data + done, std::min(width, count - done), blocks, width);
  return true;
#else
  (void)states, (void)data, (void)count, (void)blocks, (void)width;
  return false;
#endif
}

bool Sha1FinishLanes(Sha1LaneState* const states[], const uint8_t* const tails[], size_t count,
                     uint64_t length, uint8_t (*digests)[kSha1Bytes], size_t width) {
  // The tail, 0x80, zeros and the length in bits, big-endian: one block, or two where the
  // tail leaves no room for the length. Sixteen lanes at a time, padded on the stack.
  constexpr size_t kChunk = 16;
  const size_t tail = static_cast<size_t>(length % 64);
  const size_t blocks = tail < 56 ? 1 : 2;
  const uint64_t bits = length * 8;
  for (size_t done = 0; done < count; done += kChunk) {
    const size_t n = std::min(kChunk, count - done);
    uint8_t padded[kChunk][128] = {};
    const uint8_t* data[kChunk];
    for (size_t i = 0; i < n; ++i) {
      uint8_t* block = padded[i];
      if (tail != 0) std::memcpy(block, tails[done + i], tail);
      block[tail] = 0x80;
      for (int b = 0; b < 8; ++b)
        block[blocks * 64 - 1 - b] = static_cast<uint8_t>(bits >> (8 * b));
      data[i] = block;
    }
    if (!Sha1UpdateLanes(states + done, data, n, blocks, width)) return false;
  }
  for (size_t i = 0; i < count; ++i) {
    for (int w = 0; w < 5; ++w) {
      for (int b = 0; b < 4; ++b)
        digests[i][4 * w + b] = static_cast<uint8_t>(states[i]->h[w] >> (24 - 8 * b));
    }
    Sha1LaneInit(states[i]);
  }
  return true;
}
