#include "app/run_flow.h"

#include <algorithm>
#include <cstdlib>
#include <optional>
#include <string>
#include <vector>

#include "app/app_messages.h"
#include "app/batch_report.h"
#include "app/modes.h"
#include "app/run_options.h"
#include "download/data_file.h"
#include "download/download.h"
#include "partsweep_version.h"
#include "platform/console.h"
#include "platform/disk.h"
#include "platform/interrupt.h"
#include "platform/path.h"
#include "reading/part_hashing.h"
#include "recover/met_recovery.h"
#include "report/download_report.h"
#include "report/report_json.h"

namespace {

// The metadata files the command line's paths stand for, in order: a
// folder stands for every *.part.met in it in name order, and on Windows a
// path with wildcards for the files they match. A folder without one is
// said to be so, and is a failed download.
struct Downloads {
  std::vector<std::string> metPaths;
  /// The folders given that hold no download: the run has failed.
  std::vector<std::string> emptyFolders;
  /// True when the command line named exactly one download, by its own name.
  bool single = false;
};

Downloads FindDownloads(const std::vector<std::string>& entries, Disk& disk, Console& console) {
  Downloads found;
  for (const std::string& entry : entries) {
    for (const std::string& path : ExpandWildcards(entry)) {
      std::vector<std::string> names;
      if (disk.FolderEntries(path, &names) != 0) {
        found.metPaths.push_back(path);
        found.single = entries.size() == 1 && path == entry;
        continue;
      }
      std::sort(names.begin(), names.end());
      size_t before = found.metPaths.size();
      for (const std::string& name : names) {
        if (IsDownloadMetName(name)) found.metPaths.push_back(AppendPath(path, name));
      }
      if (found.metPaths.size() == before) {
        Print(console, kMsgNoDownloadsIn, path.c_str());
        found.emptyFolders.push_back(path);
      }
    }
  }
  if (found.metPaths.size() != 1) found.single = false;
  return found;
}

// One download, as a run of the tool on it alone: 0 when it did its job.
// A listing adds the space it gave back to `run.cleared`.
int RunDownload(const std::string& metPath, const Mode& mode, bool waitForKey, RunContext& run) {
  std::optional<Download> download = LoadDownload(metPath, mode.met, waitForKey, run);
  if (!download) return 1;
  return mode.run(*download, run);
}

}  // namespace

int RunPartsweep(int argc, const char* const* argv, Disk& disk, Console& console) {
  const CommandLine line = ReadCommandLine(argc, argv, [&disk](const std::string& path) {
    FileIdentity identity;
    return IdentifyPath(disk, path, &identity) == 0;
  });
  if (line.help) {
    console.Write(HelpText());
    return 0;
  }
  if (line.version) {
    Print(console, kMsgVersion, PARTSWEEP_VERSION);
    return 0;
  }
  if (!line.unknownSwitch.empty()) Print(console, kMsgUnknownSwitch, line.unknownSwitch.c_str());
  const std::string conflict = line.unknownSwitch.empty() ? SwitchConflict(line.options) : "";
  console.Write(conflict);
  if (!line.unknownSwitch.empty() || !conflict.empty() || line.paths.empty()) {
    console.Write(kUsageText);
    return -1;
  }
  // Where standard output is the report, nothing else may go there.
  const bool json = line.options.json;
  WatchInterrupts(/*toStandardError=*/json);
  const char* reads = std::getenv(kReadsVariable);
  if (!IsKnownReads(reads)) {
    Print(console, kMsgUnknownReads, reads);
    return 1;
  }
  const Mode& mode = ChosenMode(line.options);
  DownloadReport report;
  // The run's every line goes into the report; people also see it.
  ReportConsole reported(report, json ? nullptr : &console);
  RunContext context{disk, reported};
  context.nosparse = line.options.nosparse;
  context.dryRun = line.options.dryRun;
  context.hashing.reads = ForcedReads(reads);
  context.report = &report;
  // Starts the record of the next download.
  auto begin = [&] {
    reported.Flush();
    report = DownloadReport{};
    report.mode = mode.name;
    report.dryRun = context.dryRun;
  };
  // Ends it, and with --json prints it.
  auto end = [&](int status) {
    reported.Flush();
    report.exitStatus = status;
    if (json) console.Write(DownloadReportJson(report));
    return status;
  };
  // Paths the mode reads its own way: one download and maybe its link, a
  // client's record and its folders.
  if (const PathsRun runPaths = PathsRunOf(mode, line.paths)) {
    begin();
    if (json && mode.reportsItself) {
      context.emit = [&console](const std::string& text) { console.Write(text); };
      return runPaths(line.paths, context);
    }
    return end(runPaths(line.paths, context));
  }
  SilentConsole silent;
  const Downloads downloads = FindDownloads(line.paths, disk, json ? silent : console);
  const std::vector<std::string>& metPaths = downloads.metPaths;
  // One download's output is as it always was; several are told apart.
  const bool several = metPaths.size() > 1;
  BatchTally tally;
  for (size_t i = 0; i < metPaths.size(); ++i) {
    if (i > 0 && !json) console.Write("\n");
    if (several && !json) console.Write(DownloadHeading(i + 1, metPaths.size(), metPaths[i]));
    begin();
    context.cleared = context.zeroed = 0;
    // A batch never stops for a key: nobody may be there to press one.
    const int status = end(RunDownload(metPaths[i], mode, downloads.single, context));
    TallyDownload(tally, metPaths[i], status == 0, context.cleared, context.zeroed);
  }
  const int status = !downloads.emptyFolders.empty() || !tally.failed.empty() ? 1 : 0;
  if (json) {
    if (several || !downloads.emptyFolders.empty())
      console.Write(BatchReportJson(BatchReport{tally.downloads, tally.done, tally.failed,
                                                downloads.emptyFolders, tally.cleared, tally.zeroed,
                                                status}));
  } else if (several) {
    console.Write("\n");
    console.Write(BatchSummary(tally, mode.givesSpaceBack));
    // Told before the batch, they would scroll out of sight behind it.
    for (const std::string& folder : downloads.emptyFolders)
      Print(console, kMsgNoDownloadsIn, folder.c_str());
  }
  return status;
}
