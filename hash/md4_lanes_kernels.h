// The SIMD kernels behind hash/md4_lanes.cc and hash/sha1_lanes.cc, one file per instruction set,
// built with that set's compiler flags: call one only where Md4KernelRuns says it runs.
#ifndef PARTSWEEP_HASH_MD4_LANES_KERNELS_H_
#define PARTSWEEP_HASH_MD4_LANES_KERNELS_H_

#include <cstddef>
#include <cstdint>

// Hashes `blocks` 64-byte blocks of each of lanes x `groups` (1 to 3) messages side by side:
// message i is read from data[i] on, and state[i] (A, B, C, D) is its chaining state, updated.
void Md4LanesSse2(int groups, uint32_t (*state)[4], const uint8_t* const* data, size_t blocks);

// The same with 8 lanes of AVX2.
void Md4LanesAvx2(int groups, uint32_t (*state)[4], const uint8_t* const* data, size_t blocks);

// The same with 16 lanes of AVX-512 (AVX512F only).
void Md4LanesAvx512(int groups, uint32_t (*state)[4], const uint8_t* const* data, size_t blocks);

// SHA-1 of `blocks` 64-byte blocks of each of 8 messages side by side, in AVX2: message i read
// from data[i] on, state[i] (H0 to H4) its chaining state, updated.
void Sha1LanesAvx2(uint32_t (*state)[5], const uint8_t* const* data, size_t blocks);

// The same with 16 lanes of AVX-512 (AVX512F only).
void Sha1LanesAvx512(uint32_t (*state)[5], const uint8_t* const* data, size_t blocks);

#endif  // PARTSWEEP_HASH_MD4_LANES_KERNELS_H_
