// The gaps of a download as the listing keeps them.
#pragma once

#include <cstdint>
#include <vector>

/// One gap: its first and its last byte, both inclusive, and what the tags
/// told about it, so that an entry the tags left incomplete is never cleared.
struct GapEntry {
  /// The first byte of the gap.
  uint64_t start = 0;
  /// The stored end value minus one, in 32-bit arithmetic (0 gives 4 GiB - 1).
  uint64_t end = 0;
  /// A start tag holding a number set `start`.
  bool started = false;
  /// An end tag holding a number set `end`.
  bool ended = false;
  /// The stored end value was 0, so `end` wrapped round.
  bool endWasZero = false;
};

/// One entry per gap-start tag, in the order of the tags.
using GapTable = std::vector<GapEntry>;

/// True when the entry is a range of the file that may be cleared: both
/// bounds came from tags, the end value was not 0, and end + 1 is not below
/// start. Clearing anything else would destroy downloaded data.
bool IsClearableGap(const GapEntry& gap);

/// The byte count of a clearable gap, 0 for an empty one.
uint64_t GapLength(const GapEntry& gap);
