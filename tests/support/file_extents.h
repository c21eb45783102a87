// Where a sparse file holds data, so that a copy of a large download that
// is mostly holes stays mostly holes. Only the test peer, which runs on
// POSIX systems, needs it.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

/// The ranges [start, end) of the file that hold data, in order; everything
/// else reads as zeros and takes no disk. The whole file where the file
/// system does not tell. Nothing when the file cannot be read.
std::optional<std::vector<std::pair<uint64_t, uint64_t>>> FileDataExtents(const std::string& path);
