// The parallel reading of a part check: every thread hashes a share of the
// spans a batch at a time, each span of a batch in a lane of the multi-buffer
// MD4 and read through a handle of its own, 128 KiB a step.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "reading/part_span.h"

class FileIo;
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

/// The handles one thread's lanes read through: the i-th span of a batch, if
/// it is of `of`, through handles[i]; a span of another file through a handle
/// of its own opened for the batch where `openOthers`, else through its file
/// (on a folder of small files the handles of their own read faster cold and
/// as fast warm: see the README's Performance section).
struct LaneReaders {
  const File* of = nullptr;
  /// A handle for each span of the largest batch; none: every span of `of`
  /// reads through it.
  std::vector<File*> handles;
  bool openOthers = false;
};

/// Hashes the spans[i] for the i in `indices`, batch after batch (`batches`
/// as SplitIntoBatches gives them), and leaves each outcome on the board
/// under its i; a span the board no longer wants is dropped. The spans of a
/// batch may be of any files and lengths.
void HashPartsInLanes(FileIo& disk, const LaneReaders& readers, const std::vector<PartSpan>& spans,
                      const std::vector<uint32_t>& indices, const std::vector<size_t>& batches,
                      PartBoard& board);
