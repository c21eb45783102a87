// The gaps of a download as the listing keeps them.
#pragma once

#include <cstdint>
#include <vector>

#include "gaps/gap_entry.h"

/// One gap: `start` its first byte and `end` its last, both inclusive (the
/// stored end value minus one, in 32-bit arithmetic: 0 gives 4 GiB - 1), and
/// what the tags told about it, so that an entry the tags left incomplete is
/// never cleared.
struct ListedGap : GapEntry {
  /// A start tag holding a number set `start`.
  bool started = false;
  /// An end tag holding a number set `end`.
  bool ended = false;
  /// The stored end value was 0, so `end` wrapped round.
  bool endWasZero = false;
};

/// One entry per gap-start tag, in the order of the tags.
using ListedGaps = std::vector<ListedGap>;

/// True when the entry is a range of the file that may be cleared: both
/// bounds came from tags, the end value was not 0, and end + 1 is not below
/// start. Clearing anything else would destroy downloaded data.
bool IsClearableGap(const ListedGap& gap);

/// The byte count of a clearable gap, 0 for an empty one.
uint64_t GapLength(const ListedGap& gap);
