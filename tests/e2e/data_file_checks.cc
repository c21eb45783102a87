#include "tests/e2e/data_file_checks.h"

#include "tests/support/temp_folder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <vector>

namespace {

// The download's bytes of [from, to) with every gap's bytes zeroed.
std::string ExpectedBytes(const SampleDownload& download, uint64_t from, uint64_t to) {
  std::string bytes(to - from, '\0');
  SampleBytes(download.seed, from, reinterpret_cast<uint8_t*>(&bytes[0]), bytes.size());
  for (const SampleGap& gap : download.gaps) {
    uint64_t start = std::max(gap.start, from), end = std::min(gap.end, to);
    if (start < end) std::fill(bytes.begin() + (start - from), bytes.begin() + (end - from), '\0');
  }
  return bytes;
}

}  // namespace

void ExpectOnlyGapsZeroed(const std::string& path, const SampleDownload& download) {
  for (const SampleGap& region : download.dataRegions) {
    SCOPED_TRACE("region at " + std::to_string(region.start));
    uint64_t end = std::min(region.end, download.fileSize);
    std::string actual = ReadFileRange(path, region.start, end - region.start);
    std::string expected = ExpectedBytes(download, region.start, end);
    ASSERT_EQ(expected.size(), actual.size());
    auto differ = std::mismatch(expected.begin(), expected.end(), actual.begin());
    EXPECT_TRUE(differ.first == expected.end())
        << "first difference at offset " << region.start + (differ.first - expected.begin());
  }
}

std::vector<SampleGap> RegionsAroundGaps(const SampleDownload& download, uint64_t margin) {
  std::vector<SampleGap> regions;
  for (const SampleGap& gap : download.gaps) {
    if (gap.start >= download.fileSize) continue;
    regions.push_back({gap.start < margin ? 0 : gap.start - margin,
                       std::min(gap.end + margin, download.fileSize)});
  }
  return regions;
}
