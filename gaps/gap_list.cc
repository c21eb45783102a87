#include "gaps/gap_list.h"

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
