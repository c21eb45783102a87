#include "gaps/gap_list.h"

#include <algorithm>
#include <vector>

#include "gaps/gap_clear.h"
#include "gaps/gap_messages.h"
#include "platform/byte_size.h"
#include "platform/console.h"

std::string ListingHeader(const MetImage& image, const MetFile& file) {
  // Unsigned: a damaged file may claim more than 2^31 tags.
  return HeaderLines(image, file.header, /*partHashes=*/false) +
         Format(kMsgTagCount, file.header.tagCount);
}

std::string GapCountLine(const MetFile& file) {
  return Format(kMsgGapCount, static_cast<unsigned>(file.gaps.size()),
                FormatByteSize(file.fileSize).c_str());
}

uint64_t ShownLastByte(const MetGap& gap) {
  if (!gap.endStored) return 0;
  return gap.end == 0 ? 0xFFFFFFFFu : gap.end - 1;
}

std::string GapSummary(const GapTable& gaps, uint64_t size) {
  std::vector<MetGap> ranges;
  for (const MetGap& gap : gaps) {
    if (gap.start < std::min(gap.end, size)) ranges.push_back(gap);
  }
  std::sort(ranges.begin(), ranges.end(),
            [](const MetGap& a, const MetGap& b) { return a.start < b.start; });
  uint64_t missing = 0, reached = 0;
  for (const MetGap& range : ranges) {
    const uint64_t from = std::max(range.start, reached), to = std::min(range.end, size);
    if (to > from) missing += to - from;
    reached = std::max(reached, to);
  }
  std::string lines = Format(kMsgGapSummary, static_cast<unsigned>(gaps.size()),
                             static_cast<unsigned long long>(missing),
                             static_cast<unsigned long long>(size),
                             size ? 100.0 * double(size - missing) / double(size) : 0.0);
  // A list too long to read shows its ends and how many lie between.
  const bool shortened = gaps.size() > kMaxListedGaps;
  for (size_t i = 0; i < gaps.size(); ++i) {
    if (shortened && i == kListedGapsAtEachEnd) {
      lines += Format(kMsgGapsNotListed, static_cast<unsigned>(gaps.size() - 2 * kListedGapsAtEachEnd));
      i = gaps.size() - kListedGapsAtEachEnd;
    }
    lines += Format(kMsgSummaryGap, static_cast<unsigned>(i),
                    static_cast<unsigned long long>(gaps[i].start),
                    static_cast<unsigned long long>(gaps[i].end));
  }
  return lines;
}
