// How a download is cut into the parts that its metadata file holds a hash
// for: a fact of the file format, shared by the hashes and the checks.
#pragma once

#include <cstdint>

/// The size of one hashed part of a data file.
constexpr uint64_t kPartSize = 9728000;
