#include "app/batch_report.h"

#include "app/app_messages.h"
#include "platform/byte_size.h"
#include "platform/console.h"

std::string DownloadHeading(size_t number, size_t count, const std::string& metPath) {
  return Format(kMsgDownloadHeading, static_cast<unsigned>(number), static_cast<unsigned>(count),
                metPath.c_str());
}

void TallyDownload(BatchTally& tally, const std::string& metPath, bool done, uint64_t cleared,
                   uint64_t zeroed) {
  ++tally.downloads;
  if (done)
    ++tally.done;
  else
    tally.failed.push_back(metPath);
  tally.cleared += cleared;
  tally.zeroed += zeroed;
}

std::string BatchSummary(const BatchTally& tally, bool givesSpaceBack) {
  std::string line = Format(kMsgBatchDone, static_cast<unsigned>(tally.downloads),
                            static_cast<unsigned>(tally.done));
  if (!tally.failed.empty()) {
    line += Format(kMsgBatchFailed, static_cast<unsigned>(tally.failed.size()));
    for (size_t i = 0; i < tally.failed.size(); ++i)
      line += (i ? ", '" : " ('") + tally.failed[i] + "'";
    line += ")";
  }
  if (givesSpaceBack) line += Format(kMsgBatchCleaned, FormatByteSize(tally.cleared).c_str());
  if (givesSpaceBack && tally.zeroed != 0)
    line += Format(kMsgBatchZeroed, FormatByteSize(tally.zeroed).c_str());
  return line + "\n";
}
