// How a download is cut into the parts that its metadata file holds a hash
// for: a fact of the file format, shared by the hashes and the checks.
#pragma once

#include <cstdint>

#include "platform/disk.h"

/// The size of one hashed part of a data file.
constexpr uint64_t kPartSize = 9728000;

/// The part hashes the clients store for a download of `size` bytes: one a
/// started part and one more (an empty last part for an exact multiple), or
/// none below one part.
uint64_t ExpectedPartHashCount(uint64_t size);

/// The parts of a download of `size` bytes, the last one maybe short.
uint64_t DownloadPartCount(uint64_t size);

/// The bytes of part `part`: never past the download's size, empty past it.
ByteRange PartRange(uint64_t part, uint64_t size);
