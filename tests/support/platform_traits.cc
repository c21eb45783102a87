#include "tests/support/platform_traits.h"

#include <cstdio>

#include "tests/support/child_process.h"
#include "tests/support/temp_folder.h"

namespace {

std::string Bar(int firstGap, int lastGap, const char* shade, const char* full) {
  std::string line = " ";
  for (int cell = 0; cell < 78; ++cell) line += cell >= firstGap && cell <= lastGap ? shade : full;
  return line + "\n";
}

}  // namespace

std::string GapBarLine(int firstGap, int lastGap) {
  return Bar(firstGap, lastGap, kShadeGlyph, kFullBlockGlyph);
}

// U+2592 and U+2588.
std::string GapBarText(int firstGap, int lastGap) {
  return Bar(firstGap, lastGap, "\xE2\x96\x92", "\xE2\x96\x88");
}

bool FileSystemReleasesRanges(const std::string& folder) {
  const std::string probe = folder + "/release-probe";
  if (!WriteFileBytes(probe, std::string(1 << 18, 'x'))) return false;
  const uint64_t before = AllocatedBytes(probe);
  const bool released = ReleaseRange(probe, 0, 1 << 17) && FileLength(probe) == (1u << 18) &&
                        AllocatedBytes(probe) < before;
  std::remove(probe.c_str());
  return released;
}
