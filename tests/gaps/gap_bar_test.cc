#include "gaps/gap_bar.h"

#include <gtest/gtest.h>

#include "tests/support/platform_traits.h"
#include "tests/support/string_console.h"

namespace {

// '#' for a downloaded cell, '.' for a gap, from cell `first` to `last`.
std::string Cells(int first = 1, int last = 0) {
  std::string cells(78, '#');
  for (int cell = first; cell <= last; ++cell) cells[cell] = '.';
  return cells;
}

TEST(GapBarTest, NoGaps) {
  EXPECT_EQ(Cells(), DrawGapCells({}, 30000000));
  EXPECT_EQ(Cells(), DrawGapCells({}, 0));
}

TEST(GapBarTest, AGapShadesThroughTheCellAfterItsLastByte) {
  // 780 bytes: ten bytes a cell.
  EXPECT_EQ(Cells(1, 1), DrawGapCells({{15, 16}}, 780));
  EXPECT_EQ(Cells(1, 2), DrawGapCells({{19, 20}}, 780));
  // A file smaller than the bar: one byte spans several cells.
  EXPECT_EQ(Cells(0, 7), DrawGapCells({{0, 1}}, 10));
}

TEST(GapBarTest, CellsPastTheBarAreCutToTheLast) {
  EXPECT_EQ(Cells(39, 77), DrawGapCells({{390, 780}}, 780));
  EXPECT_EQ(Cells(77, 77), DrawGapCells({{1000, 2000}}, 780));
  EXPECT_EQ(Cells(0, 77), DrawGapCells({{0, ~0ull}}, 780));
  EXPECT_EQ(Cells(), DrawGapCells({{0, 5}}, 0));
}

TEST(GapBarTest, OverlapsAndReversedGaps) {
  std::string both = DrawGapCells({{100, 300}, {200, 500}}, 780);
  EXPECT_EQ(Cells(10, 50), both);
  EXPECT_EQ(Cells(), DrawGapCells({{500, 100}}, 780));
  EXPECT_EQ(Cells(1, 1), DrawGapCells({{15, 12}}, 780));
}

TEST(GapBarTest, PrintsOneLineOfTheConsolesBlockGlyphs) {
  StringConsole console;
  GapBar({{0, 1}}, 10, console);
  // The tool's text is UTF-8 on every system.
  EXPECT_EQ(GapBarText(0, 7), console.output);
}

}  // namespace
