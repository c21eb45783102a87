// One gap of a download: a byte range of the data file not yet downloaded.
#pragma once

#include <cstdint>
#include <vector>

/// A gap's bounds. How `end` is meant (inclusive, or one past the last
/// byte) is said by the table that holds it.
struct GapEntry {
  uint64_t start = 0;
  uint64_t end = 0;
};

/// Gaps in the order the metadata file lists them.
using GapTable = std::vector<GapEntry>;
