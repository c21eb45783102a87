// The unit of work of a part check: a stretch of an open file hashed as one
// part, so that one run can hash some parts of a download, the parts of many
// files side by side, or parts of other files at offsets.
#pragma once

#include <cstdint>
#include <vector>

class File;

/// A stretch of an open file hashed as one part.
struct PartSpan {
  /// Read through this (or, in the parallel reading, handles of its own of it).
  File* file = nullptr;
  uint64_t offset = 0;
  /// At most kPartSize; a span past the file's end hashes what exists.
  uint64_t length = 0;
  /// The part whose AICH tree shape the bytes are hashed in, and the size of the file it
  /// belongs to (the tree depends on both); aichSize 0: no AICH hash for this span.
  uint32_t aichPart = 0;
  uint64_t aichSize = 0;
};

/// The spans of the download's `parts` in the data file of a download of `size` bytes: part
/// p is [p * kPartSize, (p + 1) * kPartSize) cut at `size` (empty past it), with its AICH
/// shape where `aich`.
std::vector<PartSpan> DownloadPartSpans(File& data, uint64_t size,
                                        const std::vector<uint32_t>& parts, bool aich);

/// The part numbers [0, count): every part a check of the whole download asks for.
std::vector<uint32_t> PartsBelow(uint32_t count);
