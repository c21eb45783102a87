// Giving the storage of a byte range back to the file system.
#pragma once

#include <cstdint>

#include "platform/disk.h"

/// Asks the file system to treat the file as sparse, where it needs to be
/// told before ranges can be released; 0 or the system's error code.
int MarkFileSparse(NativeHandle file);

/// Makes a non-empty range of the file read as zeros and releases its
/// storage, without changing the file's size; 0 or the system's error code.
int ReleaseFileRange(NativeHandle file, uint64_t offset, uint64_t length);
