#include "gaps/gap_table.h"

bool IsClearableGap(const GapEntry& gap) {
  return gap.started && gap.ended && !gap.endWasZero && gap.end + 1 >= gap.start;
}

uint64_t GapLength(const GapEntry& gap) { return gap.end + 1 - gap.start; }
