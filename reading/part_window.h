// The sequential reading of a part check, for a disk where every jump costs
// a seek: one reader asks the system for the file from front to back, a
// window of parts at a time, and the hashing threads hash each window in the
// lanes of the multi-buffer MD4 from the system's cache, one window behind.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/disk.h"

class PartBoard;

/// Parts a window holds (467 MB): 24 lanes, three groups of the AVX2
/// kernel, on each of two threads. The reader is at most one window ahead of
/// the hashing, so the system's cache holds at most two windows not hashed.
constexpr uint32_t kWindowParts = 48;

/// Hashes every part on the board with `threads` hashing threads of its own
/// (at least one), window after window (part 0 alone where reading may be
/// slow, as `cost` tells, so that its line comes out at once; then windows
/// of at most kWindowParts parts, of the size the lanes hash cheapest; one
/// window of all parts where the cache holds the whole file), while
/// the calling thread asks the system to read each window into its cache
/// through `reader` (Disk::Prefetch) as the one before it is hashed; the
/// lanes read the cached bytes through `data`, another handle of the file or
/// the same. Returns when all parts are done or not wanted any
/// more. No part reads past `size`. With `aich` each part's AICH tree is
/// hashed too.
void HashPartsInWindows(Disk& disk, File& reader, File& data, unsigned threads, uint64_t size,
                        bool aich, SeekCost cost, PartBoard& board);
