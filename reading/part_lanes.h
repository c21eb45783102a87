// The parallel reading of a part check: every thread hashes a share of the
// parts a batch at a time, each part of a batch in a lane of the multi-buffer
// MD4 and read through a handle of its own, 128 KiB a step.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

class Disk;
class File;
class PartBoard;

/// Bytes each lane reads and hashes a step: small enough that the lanes of
/// a thread mostly stay in the processor's caches between the read and the
/// hash, large enough that the reads' fixed cost stays small. Measured on a
/// warm 1 GB check (AVX-512, buffers on huge pages): 64 KiB 167 ms of
/// processor time, 128 KiB 148 ms, 256 KiB 140-160 ms for twice the memory.
constexpr size_t kLaneStepBytes = 131072;

/// The sizes of the batches one thread hashes `count` parts in, at most
/// kMd4MaxMessages each, largest first: the split whose lane passes cost
/// least, as a batch of a few parts takes nearly as long as a full one.
std::vector<size_t> SplitIntoBatches(size_t count);

/// What hashing `count` parts in those batches costs, in passes of the
/// lanes (the unit of Md4LanesCost).
double BatchesCost(size_t count);

/// Hashes `parts` batch after batch (`batches` as SplitIntoBatches gives
/// them), the i-th part of a batch read through readers[i], and leaves each
/// outcome on the board; a part the board no longer wants is dropped. No part
/// reads past `size`. With `aich` each part's AICH tree is hashed too.
/// `readers` holds a handle for each part of the largest batch.
void HashPartsInLanes(Disk& disk, const std::vector<File*>& readers,
                      const std::vector<uint32_t>& parts, const std::vector<size_t>& batches,
                      uint64_t size, bool aich, PartBoard& board);
