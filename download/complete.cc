#include "download/complete.h"

#include "download/data_file.h"
#include "download/download_messages.h"
#include "download/met_install.h"
#include "download/write_back.h"
#include "gaps/gap_bar.h"
#include "gaps/gap_list.h"
#include "judge/judge_messages.h"
#include "platform/console.h"

int RunComplete(Download& download, RunContext& run) {
  Console& console = run.console;
  const MetFile& file = download.file;
  console.Write(HeaderLines(download.image, file.header, /*partHashes=*/true));
  console.Write(GapNamingLine(file, /*oneByteToo=*/false));
  // Whatever lay behind the damage would be lost.
  if (!file.damage.empty()) {
    console.Write(file.damage);
    ReportUnchanged(download.metPath, console);
    return 1;
  }
  if (!run.dryRun && ReportIfInUse(download.partPath, run.disk, console)) {
    ReportUnchanged(download.metPath, console);
    return 1;
  }
  MetChange change;
  change.mode = RewriteMode::Complete;
  if (download.data && download.data->size < file.fileSize) {
    const uint64_t length = download.data->size;
    Print(console, kMsgDataShorter, download.partPath.c_str(),
          static_cast<unsigned long long>(length), static_cast<unsigned long long>(file.fileSize));
    MetGap missing;
    missing.start = length;
    missing.end = file.fileSize;
    missing.startStored = missing.endStored = true;
    change.mode = RewriteMode::Rebuild;
    change.gaps = {missing};
    Print(console, kMsgMissingGap, missing.start, missing.end);
  }
  // The bar shows the gaps that were, as it always has.
  const GapTable before = RewritableGaps(file);
  WriteBackTell tell;
  tell.encoded = [&] {
    GapBar(before, file.fileSize, console);
    if (run.dryRun) console.Write(GapSummary(change.gaps, file.fileSize));
  };
  return WriteBack(download, change, tell, run);
}
