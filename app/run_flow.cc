#include "app/run_flow.h"

#include <algorithm>
#include <cstdlib>
#include <optional>
#include <string>
#include <vector>

#include "app/app_messages.h"
#include "app/batch_report.h"
#include "app/data_file.h"
#include "app/judged_download.h"
#include "app/met_install.h"
#include "app/met_loader.h"
#include "app/met_name.h"
#include "app/met_recovery.h"
#include "app/run_options.h"
#include "gaps/gap_clear.h"
#include "gaps/gap_list.h"
#include "gaps/gap_messages.h"
#include "met/met_file.h"
#include "platform/console.h"
#include "partsweep_version.h"
#include "platform/disk.h"
#include "platform/interrupt.h"
#include "platform/path.h"
#include "reading/part_hashing.h"
#include "rewrite/gap_bar.h"
#include "rewrite/met_rewrite.h"
#include "rewrite/part_check.h"
#include "rewrite/part_judgement.h"
#include "rewrite/rewrite_messages.h"

namespace {

// Clears the gaps of the open data file and gives it its times back: not a
// byte of the data changes, so neither may its times, or a client that
// finds another time hashes every part again, for hours on a large
// download. An interrupt stops the clearing, waits for the times, and then
// ends the run. What was given back goes to `cleared`.
bool ClearKeepingTimes(File& data, const MetFile& file, const std::string& partPath, bool nosparse,
                       Disk& disk, Console& console, uint64_t* cleared) {
  FileTimes times;
  const bool timed = disk.ReadTimes(data, &times) == 0;
  // The client mends a part it found corrupt from its old bytes.
  std::vector<ByteRange> kept;
  for (uint32_t part : ListedCorruptParts(file)) kept.push_back(PartRange(part, file.fileSize));
  InterruptsHeld held;
  const bool done = ClearGaps(data, file.gaps, partPath, nosparse, disk, console, kept,
                              InterruptPending, cleared);
  if (timed) disk.RestoreTimes(data, times);
  return done;
}

// Lists the gaps and gives their space back. A damaged tag stream still
// gets the gaps before the damage cleared, but the run did not do all of
// its job.
int RunListing(const MetImage& image, const std::string& metPath, bool nosparse, Disk& disk,
               Console& console, uint64_t* cleared) {
  MetDecode decoded = DecodeMetFile(image);
  if (!decoded.file) {
    console.Write(decoded.problem);
    return 1;
  }
  const MetFile& file = *decoded.file;
  console.Write(ListingHeader(image, file));
  const std::string partPath = FindDataFile(metPath, file.partFileNames, disk, &console);
  // The damage is told as each look at the tags meets it: counting the
  // gaps, then listing them.
  console.Write(file.damage);
  console.Write(GapCountLine(file));
  console.Write(file.damage);
  if (partPath.empty()) {
    Print(console, kMsgNoDataFile, metPath.c_str());
    return 1;
  }
  Print(console, kMsgGapsIn, partPath.c_str());
  std::optional<File> data = OpenForClearing(metPath, partPath, disk, console);
  if (!data) return 1;
  const bool done = ClearKeepingTimes(*data, file, partPath, nosparse, disk, console, cleared);
  return done && file.damage.empty() ? 0 : 1;
}

// Says what stopped a rewrite and that the metadata file is as it was.
int Unchanged(const std::string& problem, const std::string& metPath, Console& console) {
  console.Write(problem);
  ReportUnchanged(metPath, console);
  return 1;
}

// Puts the new bytes in place of the metadata file. A link to the metadata
// file stays a link: its target is rewritten.
int Install(const std::string& metPath, const std::string& bytes, Disk& disk, Console& console) {
  PathResult target = disk.ResolveLinks(metPath);
  if (target.refusal != OpenRefusal::None)
    return Unchanged(RefusalMessage(metPath, target.refusal), metPath, console);
  const std::string& at = target.ok() ? target.path : metPath;
  return InstallMetFile(at, bytes, disk, console) ? 0 : 1;
}

// Rewrites the metadata file: without its gaps, or with the gaps and the
// corrupted-parts list as the part check leaves them. Nothing changes on
// disk unless the whole new file could be made, and never while a client
// holds the download.
int RunRewrite(const MetImage& image, const std::string& metPath, RewriteMode mode, Disk& disk,
               Console& console) {
  MetDecode decoded = DecodeMetFile(image);
  if (!decoded.file) return Unchanged(decoded.problem, metPath, console);
  MetFile file = std::move(*decoded.file);
  console.Write(HeaderLines(image, file.header, /*partHashes=*/true));
  // Whatever lay behind the damage would be lost.
  if (!file.damage.empty()) return Unchanged(file.damage, metPath, console);
  const bool rebuild = mode == RewriteMode::Rebuild;
  const std::string partPath =
      FindDataFile(metPath, file.partFileNames, disk, rebuild ? &console : nullptr);
  if (ReportIfInUse(partPath, disk, console)) return Unchanged("", metPath, console);
  GapTable gaps = RewritableGaps(file);
  if (rebuild) {
    const JudgedDownload judged =
        JudgeDownload(image, file, gaps, metPath, partPath, /*shared=*/false, disk, console);
    // Hashes that cannot judge leave nothing to mend: a download without
    // part hashes yet is in order, damaged ones are not.
    if (judged.state == JudgedState::NotJudged) return judged.trust == HashTrust::NoneYet ? 0 : 1;
    if (judged.state == JudgedState::Failed) return Unchanged("", metPath, console);
    const GapTable before = gaps;
    RepairGaps(judged.verdicts, file.fileSize, judged.dataLength, gaps, console);
    const std::vector<uint32_t> listed = ListedCorruptParts(file);
    const std::vector<uint32_t> corrupted = NewCorruptedParts(listed, judged.verdicts);
    if (SameGaps(before, gaps) && corrupted == listed) {
      Print(console, kMsgPartsUnchanged, metPath.c_str());
      return 0;
    }
    if (corrupted != listed) SetCorruptedParts(file, corrupted);
  }

  std::optional<uint32_t> tagCount = NewTagCount(file, mode, gaps);
  if (!tagCount) return Unchanged(kMsgTooManyTags, metPath, console);
  Print(console, kMsgNewTagCount, *tagCount);
  EncodedMet encoded = EncodeMetFile(image, file, mode, *tagCount, gaps);
  if (!encoded.problem.empty()) return Unchanged(encoded.problem, metPath, console);
  GapBar(gaps, file.fileSize, console);
  // Every later run would refuse to load it.
  if (encoded.bytes.size() > kMaxMetImageSize)
    return Unchanged(Format(kMsgTooLargeToLoad, static_cast<unsigned long long>(encoded.bytes.size()),
                            kMaxMetImageSize),
                     metPath, console);
  // A client may have started while the parts were hashed.
  if (ReportIfInUse(partPath, disk, console)) return Unchanged("", metPath, console);
  return Install(metPath, encoded.bytes, disk, console);
}

// Judges the parts as /rebuild does and writes nothing: 0 when the hashes
// can be trusted and every part they judged is sound.
int RunCheck(const MetImage& image, const std::string& metPath, Disk& disk, Console& console) {
  MetDecode decoded = DecodeMetFile(image);
  if (!decoded.file) {
    console.Write(decoded.problem);
    return 1;
  }
  const MetFile& file = *decoded.file;
  console.Write(HeaderLines(image, file.header, /*partHashes=*/true));
  if (!file.damage.empty()) {
    console.Write(file.damage);
    return 1;
  }
  const std::string partPath = FindDataFile(metPath, file.partFileNames, disk, &console);
  const JudgedDownload judged = JudgeDownload(image, file, RewritableGaps(file), metPath,
                                              partPath, /*shared=*/true, disk, console);
  if (judged.state == JudgedState::Failed) return 1;
  if (judged.state == JudgedState::NotJudged) {
    Print(console, kMsgCheckSummary,
          judged.trust == HashTrust::NoneYet ? "none judged (no part hashes yet)"
                                             : "none judged (the part hashes are not trustworthy)");
    return judged.trust == HashTrust::NoneYet ? 0 : 1;
  }
  console.Write(CheckSummary(judged.findings));
  // Judged by the AICH set alone, the part hashes are still damaged.
  if (!CanJudge(judged.trust) && judged.trust != HashTrust::NoneYet) return 1;
  for (PartVerdict verdict : judged.verdicts) {
    if (verdict == PartVerdict::Corrupt) return 1;
  }
  return 0;
}

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
// A listing puts the space it gave back in `cleared`.
int RunDownload(const std::string& metPath, const RunOptions& options, bool waitForKey, Disk& disk,
                Console& console, uint64_t* cleared) {
  const MetUse use = options.complete || options.rebuild ? MetUse::Rewrite
                     : options.check                     ? MetUse::Read
                                                         : MetUse::Clear;
  const std::string refusal = MetPathRefusal(metPath, use, disk);
  if (!refusal.empty()) {
    console.Write(refusal);
    return 1;
  }
  std::optional<MetImage> image = LoadMetImage(metPath, disk, console, waitForKey);
  if (!image) return 1;
  if (options.complete) return RunRewrite(*image, metPath, RewriteMode::Complete, disk, console);
  if (options.rebuild) return RunRewrite(*image, metPath, RewriteMode::Rebuild, disk, console);
  if (options.check) return RunCheck(*image, metPath, disk, console);
  return RunListing(*image, metPath, options.nosparse, disk, console, cleared);
}

}  // namespace

int RunPartsweep(int argc, const char* const* argv, Disk& disk, Console& console) {
  const CommandLine line = ReadCommandLine(argc, argv, [&disk](const std::string& path) {
    FileIdentity identity;
    return disk.IdentifyPath(path, &identity) == 0;
  });
  if (line.help) {
    console.Write(kHelpText);
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
  const char* reads = std::getenv(kReadsVariable);
  if (!IsKnownReads(reads)) {
    Print(console, kMsgUnknownReads, reads);
    return 1;
  }
  // One download and maybe its link, not a batch.
  if (line.options.recover) return RunRecovery(line.paths, disk, console);
  const Downloads downloads = FindDownloads(line.paths, disk, console);
  const std::vector<std::string>& metPaths = downloads.metPaths;
  // One download's output is as it always was; several are told apart.
  const bool several = metPaths.size() > 1;
  BatchTally tally;
  for (size_t i = 0; i < metPaths.size(); ++i) {
    if (i > 0) console.Write("\n");
    if (several) console.Write(DownloadHeading(i + 1, metPaths.size(), metPaths[i]));
    uint64_t cleared = 0;
    // A batch never stops for a key: nobody may be there to press one.
    const int status = RunDownload(metPaths[i], line.options, downloads.single, disk, console, &cleared);
    TallyDownload(tally, metPaths[i], status == 0, cleared);
  }
  if (several) {
    console.Write("\n");
    console.Write(BatchSummary(tally, GivesSpaceBack(line.options)));
    // Told before the batch, they would scroll out of sight behind it.
    for (const std::string& folder : downloads.emptyFolders)
      Print(console, kMsgNoDownloadsIn, folder.c_str());
  }
  return !downloads.emptyFolders.empty() || !tally.failed.empty() ? 1 : 0;
}
