// What the platform the tests run on can do, found out by trying, so that
// one test states what each platform must show.
#pragma once

#include <string>

/// True when the file system of `folder` gives the storage of a range back
/// (hole punching on Linux, zeroing a sparse range on NTFS). Where it cannot,
/// as under wine, the listing takes the zero fill instead.
bool FileSystemReleasesRanges(const std::string& folder);

/// The name of the device that discards what is written to it.
extern const char kNullDevice[];
