// What the platform the tests run on can do, found out by trying, so that
// one test states what each platform must show.
#pragma once

#include <cstdint>
#include <string>

/// True when the file system of `folder` gives the storage of a range back
/// (hole punching on Linux, zeroing a sparse range on NTFS), found with the
/// system's own calls, never through the program's disk layer: where this
/// says yes, a listing that does not release its gaps is a failure. Where
/// it cannot, as under wine, the listing takes the zero fill instead.
bool FileSystemReleasesRanges(const std::string& folder);

/// Releases [offset, offset + length) of the file at `path` with the
/// system's own call, so that a test can make a hole without the program's
/// help; true when the call succeeded.
bool ReleaseRange(const std::string& path, uint64_t offset, uint64_t length);

/// The name of the device that discards what is written to it.
extern const char kNullDevice[];

/// The full block and the medium shade as the tool's output holds them in a
/// pipe or a file: UTF-8 on POSIX, the bytes of code page 437 on Windows.
extern const char kFullBlockGlyph[];
extern const char kShadeGlyph[];

/// The bar line that ends a rewrite as the tool's output holds it in a pipe
/// or a file: " ", 78 cells shaded from `firstGap` through `lastGap` and
/// full blocks elsewhere, and a line end, in this platform's glyphs.
std::string GapBarLine(int firstGap, int lastGap);

/// The same line as the tool's text holds it before a console writes it
/// (what a StringConsole receives): UTF-8 on every system.
std::string GapBarText(int firstGap, int lastGap);

/// True where the system has MD4 routines to bind (advapi32 on Windows).
extern const bool kSystemOffersMd4;

/// True where the program, not the shell, expands `*` and `?` (Windows).
extern const bool kProgramExpandsWildcards;

/// The Python that checks a report against its schema (Debian's
/// python3-jsonschema), or "" where the tests run none (Windows).
extern const char kReportValidator[];
