// The second half of a listing: every gap's line, and its space given back.
#pragma once

#include <cstddef>

#include "gaps/gap_scan.h"

class Console;
class Disk;

/// The zero fill writes a gap in pieces of this size, redrawing the
/// percentage after each.
constexpr size_t kZeroFillChunk = 131072;

/// Lists every gap and gives its space back: released by the file system
/// where it can, else overwritten with zeros. Never touches a byte outside a
/// gap, never grows the file. Prints the total given back and closes the
/// data file; false when the disk failed on a gap (reported on its line).
bool ClearGaps(GapScan& scan, bool nosparse, Disk& disk, Console& console);
