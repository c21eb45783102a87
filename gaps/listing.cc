#include "gaps/listing.h"

#include <algorithm>
#include <optional>
#include <utility>
#include <vector>

#include "download/data_file.h"
#include "download/download_messages.h"
#include "gaps/gap_clear.h"
#include "gaps/gap_list.h"
#include "gaps/gap_messages.h"
#include "judge/gap_parts.h"
#include "judge/part_judgement.h"
#include "met/met_rewrite.h"
#include "platform/console.h"
#include "platform/disk.h"
#include "platform/interrupt.h"

namespace {

// The parts whose gap pieces stay: those the client has complete, and
// those it found corrupt and mends from their old bytes; ascending.
std::vector<KeptRange> KeptParts(const MetFile& file, const std::vector<uint32_t>& complete) {
  std::vector<uint32_t> listed = ListedCorruptParts(file);
  std::vector<std::pair<uint32_t, KeptFor>> parts;
  for (uint32_t part : complete) parts.emplace_back(part, KeptFor::FoundComplete);
  for (uint32_t part : listed) {
    if (!std::binary_search(complete.begin(), complete.end(), part))
      parts.emplace_back(part, KeptFor::ClientRecovery);
  }
  std::sort(parts.begin(), parts.end());
  std::vector<KeptRange> kept;
  for (const auto& part : parts) kept.push_back(KeptRange{PartRange(part.first, file.fileSize), part.second});
  return kept;
}

// Clears the gaps of the open data file and gives it its times back: not a
// byte of the data changes, so neither may its times, or a client that
// finds another time hashes every part again, for hours on a large
// download. An interrupt stops the clearing, waits for the times, and then
// ends the run. What was given back goes to `run.cleared`.
bool ClearKeepingTimes(File& data, const Download& download, const std::vector<uint32_t>& complete,
                       RunContext& run) {
  const MetFile& file = download.file;
  ClearPlan plan;
  plan.partPath = download.partPath;
  plan.nosparse = run.nosparse;
  plan.size = file.fileSize;
  plan.kept = KeptParts(file, complete);
  plan.interrupted = InterruptPending;
  if (run.report) plan.log = &run.report->gaps;
  if (run.dryRun) {
    plan.dryRun = true;
    ClearTotals totals;
    const bool done = ClearGaps(data, file.gaps, plan, run.disk, run.console, &totals);
    if (run.report) {
      run.report->released = totals.released;
      run.report->zeroed = totals.zeroed;
    }
    return done;
  }
  FileTimes times;
  const bool timed = ReadTimes(run.disk, data, &times) == 0;
  ClearTotals totals;
  bool done;
  {
    InterruptsHeld held;
    done = ClearGaps(data, file.gaps, plan, run.disk, run.console, &totals);
    if (timed) run.disk.RestoreTimes(data, times);
  }
  run.cleared += totals.released;
  run.zeroed += totals.zeroed;
  if (run.report) {
    run.report->released = totals.released;
    run.report->zeroed = totals.zeroed;
  }
  return done;
}

// True, after saying so, when the data file has another name: a hard link
// may be another download's data file, which would lose its bytes.
bool ReportIfLinked(File& data, const std::string& partPath, Disk& disk, Console& console) {
  FileStatus status;
  if (disk.Status(data, &status) != 0 || status.links <= 1) return false;
  Print(console, kMsgDataFileLinked, partPath.c_str(), static_cast<unsigned>(status.links));
  return true;
}

}  // namespace

int RunListing(Download& download, RunContext& run) {
  Console& console = run.console;
  const MetFile& file = download.file;
  console.Write(ListingHeader(download.image, file));
  console.Write(download.dataNotes);
  // The damage is told as each look at the tags meets it: counting the
  // gaps, then listing them.
  console.Write(file.damage);
  console.Write(GapCountLine(file));
  console.Write(GapNamingLine(file, /*oneByteToo=*/false));
  console.Write(file.damage);
  if (download.partPath.empty()) {
    Print(console, kMsgNoDataFile, download.metPath.c_str());
    return 1;
  }
  Print(console, kMsgGapsIn, download.partPath.c_str());
  // Judged through a reading of their own, before the data file is taken
  // for clearing alone: the client's work must survive the listing.
  const std::optional<std::vector<uint32_t>> complete = CompletePartsInGaps(download, run);
  if (!complete) return 1;
  // A dry run only reads, also while a client holds the download.
  std::optional<File> data =
      run.dryRun ? OpenToCheck(download.metPath, download.partPath, run.disk, console)
                 : OpenForClearing(download.metPath, download.partPath, run.disk, console);
  if (!data) return 1;
  if (ReportIfLinked(*data, download.partPath, run.disk, console)) return 1;
  const bool done = ClearKeepingTimes(*data, download, *complete, run);
  console.Write(RehashLine(download));
  if (!complete->empty()) Print(console, kMsgPartsKept, static_cast<unsigned>(complete->size()));
  return done && file.damage.empty() ? 0 : 1;
}
