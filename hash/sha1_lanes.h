// SHA-1 of many messages at once, one message a SIMD lane, as hash/md4_lanes.h does MD4: the
// AICH blocks of the parts a check reads side by side are independent messages of equal length,
// and in 8 or 16 lanes they hash several times faster per core than one at a time with the
// processor's SHA instructions. The digests are those of FIPS 180-4.
#pragma once

#include <cstddef>
#include <cstdint>

#include "platform/sha1.h"

/// The chaining state of one message: whole blocks only.
struct Sha1LaneState {
  uint32_t h[5];
};

/// The state before a message's first block.
void Sha1LaneInit(Sha1LaneState* state);

/// The lanes of the kernel to hash with here: 16 where AVX-512 runs, 8 where AVX2 runs without
/// the SHA extensions (with them, Sha1 is as fast); that of a forced MD4 kernel (ForceMd4Kernel),
/// so that tests and benchmarks reach each one; 0 for none, and the callers hash with Sha1.
size_t Sha1LaneWidth();

/// Hashes `blocks` whole 64-byte blocks of each of `count` messages: data[i] (any alignment)
/// into states[i], with the kernel of `width` lanes (16 or 8, as Sha1LaneWidth gave it once for
/// all the calls of a message). False, hashing nothing, for another width.
bool Sha1UpdateLanes(Sha1LaneState* const states[], const uint8_t* const data[], size_t count,
                     size_t blocks, size_t width);

/// Ends `count` messages of `length` bytes each, whose last length % 64 bytes, past the whole
/// blocks in states[i], are at tails[i] (unread where there are none): digests[i] is message i's
/// SHA-1, and states[i] starts the next message. False as Sha1UpdateLanes is.
bool Sha1FinishLanes(Sha1LaneState* const states[], const uint8_t* const tails[], size_t count,
                     uint64_t length, uint8_t (*digests)[kSha1Bytes], size_t width);
