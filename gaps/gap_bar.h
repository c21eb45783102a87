// The one-line picture of a download's gaps that ends every rewrite.
#pragma once

#include <cstdint>
#include <string>

#include "met/met_file.h"

class Console;

/// Number of cells the bar divides the file into.
constexpr int kGapBarCells = 78;

/// Which cells a gap touches: from the cell of its first byte through the
/// cell of the byte right after it (`end` is one past the last byte). Cells
/// past the last are cut to it; with a file size of 0 nothing is shaded.
std::string DrawGapCells(const GapTable& gaps, uint64_t fileSize);

/// Prints " " and the 78 cells, downloaded and gap glyphs, then a line end.
void GapBar(const GapTable& gaps, uint64_t fileSize, Console& console);
