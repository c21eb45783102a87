// The sequential reading of a part check, for a disk where every jump costs
// a seek: one reader goes through the file from front to back, one part
// after another, and hands the chunks to hashers that take turns at parts.
#pragma once

#include <cstddef>
#include <cstdint>

class Disk;
class File;
class PartBoard;

/// Bytes of one read: a tenth of a part, so that chunks never straddle two.
constexpr size_t kStreamChunkBytes = 972800;

/// Chunks read ahead at most: a part and a half, so that a second hasher
/// starts on the next part while the first finishes its own.
constexpr size_t kStreamChunks = 15;

/// Hashers at most: two already hash faster than a rotating disk reads.
constexpr unsigned kMaxStreamHashers = 2;

/// Reads every part on the board through `reader` in file order on the
/// calling thread and hashes them on `hashers` (1 to kMaxStreamHashers)
/// threads of its own; returns when all are done, or not wanted any more.
/// No part reads past `size`. With `aich` each part's AICH tree is hashed too.
void HashPartsInStream(Disk& disk, File& reader, unsigned hashers, uint64_t size, bool aich,
                       PartBoard& board);
