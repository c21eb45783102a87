#include "gaps/gap_bar.h"

#include <limits>

#include "platform/console.h"

namespace {

constexpr uint64_t kLastCell = kGapBarCells - 1;

uint64_t CellOf(uint64_t offset, uint64_t fileSize) {
  if (offset > std::numeric_limits<uint64_t>::max() / kGapBarCells) return kLastCell;
  uint64_t cell = offset * kGapBarCells / fileSize;
  return cell > kLastCell ? kLastCell : cell;
}

}  // namespace

std::string DrawGapCells(const GapTable& gaps, uint64_t fileSize) {
  std::string cells(kGapBarCells, '#');
  if (fileSize == 0) return cells;
  for (const MetGap& gap : gaps) {
    uint64_t first = CellOf(gap.start, fileSize);
    uint64_t last = CellOf(gap.end, fileSize);
    for (uint64_t cell = first; cell <= last; ++cell) cells[cell] = '.';
  }
  return cells;
}

void GapBar(const GapTable& gaps, uint64_t fileSize, Console& console) {
  std::string line = " ";
  for (char cell : DrawGapCells(gaps, fileSize)) line += cell == '#' ? kBarDownloaded : kBarGap;
  console.Write(line + "\n");
}
