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

/// The full block and the medium shade as the tool's output holds them in a
/// pipe or a file: UTF-8 on POSIX, the bytes of code page 437 on Windows.
extern const char kFullBlockGlyph[];
extern const char kShadeGlyph[];

/// True where the system has MD4 routines to bind (advapi32 on Windows).
extern const bool kSystemOffersMd4;

/// True where the program, not the shell, expands `*` and `?` (Windows).
extern const bool kProgramExpandsWildcards;
