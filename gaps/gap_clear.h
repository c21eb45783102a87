// The second half of a listing: every gap's line, and its space given back.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "met/met_file.h"
#include "platform/disk.h"

class Console;
class Disk;
class File;

/// The zero fill writes a gap in pieces of this size, redrawing the
/// percentage after each.
constexpr size_t kZeroFillChunk = 131072;

/// Lists every gap of the data file at `partPath`, open in `file` with no
/// other user, and gives the space of every valid one back: released by the
/// file system where it can, else overwritten with zeros where it holds
/// data. Never touches a byte outside a valid gap, never grows the file.
/// The pieces of gaps inside `kept` (ascending, apart: the parts a client
/// found corrupt and mends from their old bytes) are listed, not cleared.
/// A zero fill redraws its percentage on a terminal and prints only its
/// last figure elsewhere. Prints the total given back; false when the disk
/// failed on a gap (reported on its line) or another program asked for the
/// file meanwhile. Once `interrupted` says so (asked between chunks and
/// gaps) it stops at once, ends the line and prints no total, and gives
/// false; `cleared`, when given, gets the total all the same.
bool ClearGaps(File& file, const std::vector<MetGap>& gaps, const std::string& partPath,
               bool nosparse, Disk& disk, Console& console,
               const std::vector<ByteRange>& kept = {},
               const std::function<bool()>& interrupted = nullptr, uint64_t* cleared = nullptr);
