#include "gaps/listed_gap.h"

bool IsClearableGap(const ListedGap& gap) {
  return gap.started && gap.ended && !gap.endWasZero && gap.end + 1 >= gap.start;
}

uint64_t GapLength(const ListedGap& gap) { return gap.end + 1 - gap.start; }
