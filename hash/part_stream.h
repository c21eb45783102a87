// The sequential reading of a part check, for a disk where every jump costs
// a seek: one reader goes through the file from front to back, one part
// after another, and a hasher hashes the parts read in the lanes of the
// multi-buffer MD4, as many side by side as have bytes waiting.
#pragma once

#include <cstddef>
#include <cstdint>

class Disk;
class File;
class PartBoard;

/// Bytes of one read: a tenth of a part, so that chunks never straddle two.
constexpr size_t kStreamChunkBytes = 972800;

/// Chunks read and not yet hashed at most (88.8 MiB): the lanes hash parts
/// side by side, and the reader reads them one after another, so that n
/// lanes busy need about n / 2 parts in memory; this many keep up to about
/// 18 lanes fed, enough to hash faster than a page cache gives the bytes.
constexpr size_t kStreamChunks = 96;

/// Reads every part on the board through `reader` in file order on the
/// calling thread and hashes them on one thread of its own; returns when all
/// are done, or not wanted any more. No part reads past `size`.
void HashPartsInStream(Disk& disk, File& reader, uint64_t size, PartBoard& board);
