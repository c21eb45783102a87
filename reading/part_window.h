// The sequential reading of a part check, for a disk where every jump costs
// a seek: one reader asks the system for the file from front to back, a
// window of spans at a time, and the hashing threads hash each window in the
// lanes of the multi-buffer MD4 from the system's cache, one window behind.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/disk.h"
#include "reading/part_span.h"

class PartBoard;

/// Parts a window holds (467 MB): 24 lanes, three groups of the AVX2
/// kernel, on each of two threads. The reader is at most one window ahead of
/// the hashing, so the system's cache holds at most two windows not hashed.
constexpr uint32_t kWindowParts = 48;

/// Hashes spans[i] for every i on the board with `threads` hashing threads
/// of its own (at least one), window after window of the span list (span 0
/// alone where reading may be slow, as `cost` tells, so that its line comes
/// out at once; then windows of at most kWindowParts spans, of the size the
/// lanes hash cheapest; one window of all spans where the cache holds the
/// whole file), while the calling thread asks the system to read each window
/// into its cache (Disk::Prefetch, once per run of adjacent spans of one
/// file; through `reader` for those of spans[0]'s file) as the one before
/// it is hashed; the lanes read the cached bytes through each span's file.
/// Returns when all spans are done or not wanted any more.
void HashPartsInWindows(FileIo& disk, File& reader, const std::vector<PartSpan>& spans,
                        unsigned threads, SeekCost cost, PartBoard& board);
