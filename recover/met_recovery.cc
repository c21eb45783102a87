#include "recover/met_recovery.h"

#include <algorithm>
#include <cstring>
#include <optional>

#include "download/data_file.h"
#include "download/download_messages.h"
#include "download/met_install.h"
#include "download/write_back.h"
#include "gaps/gap_bar.h"
#include "gaps/gap_list.h"
#include "judge/judge_messages.h"
#include "judge/judged_download.h"
#include "judge/part_check.h"
#include "judge/part_judgement.h"
#include "met/ed2k_link.h"
#include "met/new_met.h"
#include "met/met_messages.h"
#include "met/met_rewrite.h"
#include "met/met_soundness.h"
#include "platform/console.h"
#include "platform/disk.h"
#include "recover/data_gaps.h"
#include "recover/met_candidates.h"
#include "recover/recover_messages.h"

namespace {

bool EndsWithMet(const std::string& path) {
  if (path.size() < 4) return false;
  std::string end = path.substr(path.size() - 4);
  std::transform(end.begin(), end.end(), end.begin(), [](char c) { return char(c | 0x20); });
  return end == ".met";
}

// The download's metadata path, from its metadata path, a backup's or its
// data file's.
std::string MetPathOf(const std::string& path) {
  if (EndsWithMet(path)) return path;
  if (IsMetadataFileName(path)) {
    const std::string data = DefaultPartFilePath(path);
    if (!data.empty()) return data + ".met";
  }
  return path + ".met";
}

int Unchanged(const std::string& metPath, Console& console) {
  ReportUnchanged(metPath, console);
  return 1;
}

// The data file's modification time in Unix seconds, as a header notes it.
std::optional<uint32_t> DataTime(File& data, Disk& disk) {
  FileTimes times;
  if (ReadTimes(disk, data, &times) != 0) return std::nullopt;
  const int64_t seconds = ModifiedUnixSeconds(times);
  if (seconds < 0 || seconds > 0xFFFFFFFFll) return std::nullopt;
  return static_cast<uint32_t>(seconds);
}

// Brings the sound file of `download` up to date with the data file, as a
// rebuild judges it, and puts it in place of what the metadata path holds
// (`metStatus`, none where it holds nothing). A file whose hashes cannot
// judge keeps its gaps: the client fetches again what nobody can verify.
// With `checkHolder` it first makes sure no client holds the data file.
int BringUpToDate(Download& download, const std::optional<FileStatus>& metStatus,
                  const std::string& source, bool checkHolder, RunContext& run) {
  Console& console = run.console;
  MetFile& file = download.file;
  const std::string& metPath = download.metPath;
  download.metStatus = metStatus;
  console.Write(download.dataNotes);
  if (checkHolder && !run.dryRun && ReportIfInUse(download.partPath, run.disk, console))
    return Unchanged(metPath, console);
  GapTable gaps = RewritableGaps(file);
  const JudgedDownload judged = JudgeDownload(download.image, file, gaps, metPath,
                                              download.partPath, run.dryRun, run.disk, console, run.report, run.hashing);
  if (judged.state == JudgedState::Failed) return Unchanged(metPath, console);
  MetChange change;
  if (judged.state == JudgedState::Judged) {
    RepairGaps(judged.verdicts, file.fileSize, judged.dataLength, gaps, console);
    const std::vector<uint32_t> listed = ListedCorruptParts(file);
    const std::vector<uint32_t> corrupted = NewCorruptedParts(listed, judged.verdicts);
    if (corrupted != listed) SetCorruptedParts(file, corrupted);
    // Every part is judged now: the client need not hash them again.
    change.headerTime = DataFileTime(download);
  }
  change.gaps = gaps;
  WriteBackTell tell;
  tell.tagCount = false;
  tell.encoded = [&] {
    console.Write(GapSummary(gaps, file.fileSize));
    GapBar(gaps, file.fileSize, console);
  };
  if (WriteBack(download, change, tell, run) != 0) return 1;
  if (run.dryRun) {
    Print(console, kMsgWouldBeRecovered, metPath.c_str(), source.c_str());
    return 0;
  }
  Print(console, kMsgRecovered, metPath.c_str(), source.c_str());
  console.Write(kMsgStartClient);
  return 0;
}

// True, after saying so, when the data file's bytes are a metadata file.
bool HoldsMetadata(File& data, uint64_t length, const std::string& partPath, Disk& disk,
                   Console& console) {
  if (length == 0 || length > kMaxMetImageSize) return false;
  std::string bytes(static_cast<size_t>(length), '\0');
  ReadResult got = disk.ReadAt(data, 0, &bytes[0], bytes.size());
  if (got.error || got.count != bytes.size()) return false;
  if (!CheckMetSoundness(MakeMetImage(bytes.data(), bytes.size())).file) return false;
  Print(console, kMsgIsMetadataFile, partPath.c_str());
  return true;
}

// The gaps of a download of `size` bytes whose data file is `data`: what
// it never got, and everything past its end.
std::optional<GapTable> LinkGaps(File& data, uint64_t length, uint64_t size,
                                 const std::string& partPath, Disk& disk, Console& console) {
  std::optional<GapTable> gaps = UnwrittenRanges(data, length, partPath, disk, console);
  if (!gaps || length >= size) return gaps;
  if (!gaps->empty() && gaps->back().end == length) {
    gaps->back().end = size;
  } else {
    MetGap tail;
    tail.start = length;
    tail.end = size;
    tail.startStored = tail.endStored = true;
    gaps->push_back(tail);
  }
  return gaps;
}

// Writes the metadata file anew from the link and the data file, then
// judges it as a restored backup is judged.
int BuildFromLink(const std::string& metPath, const std::optional<FileStatus>& metStatus,
                  const Ed2kLink& link, RunContext& run) {
  Disk& disk = run.disk;
  Console& console = run.console;
  const std::string partPath = DefaultPartFilePath(metPath);
  if (partPath.empty() || IsMetadataFileName(partPath)) {
    Print(console, kMsgIsMetadataFile, partPath.c_str());
    return 1;
  }
  if (!run.dryRun && ReportIfInUse(partPath, disk, console)) return 1;
  std::optional<File> data = run.dryRun ? OpenToCheck(metPath, partPath, disk, console)
                                        : OpenForHashing(metPath, partPath, disk, console);
  if (!data) return 1;
  uint64_t length = 0;
  if (int error = FileSize(disk, *data, &length)) {
    Print(console, kMsgReadFailed, partPath.c_str(), error);
    return 1;
  }
  if (length > link.size) {
    Print(console, kMsgDataTooLong, partPath.c_str(), static_cast<unsigned long long>(length),
          static_cast<unsigned long long>(link.size));
    return 1;
  }
  if (HoldsMetadata(*data, length, partPath, disk, console)) return 1;
  // The clients take the data file for changed, and hash it all again, when
  // its time differs from the header's: a time no header can hold is told.
  const std::optional<uint32_t> stamp = DataTime(*data, disk);
  if (!stamp) {
    Print(console, kMsgNoDataTime, partPath.c_str());
    return 1;
  }
  Print(console, kMsgBuilding, metPath.c_str(), partPath.c_str(),
        static_cast<unsigned long long>(length), static_cast<unsigned long long>(link.size));
  const std::optional<GapTable> gaps = LinkGaps(*data, length, link.size, partPath, disk, console);
  if (!gaps) return 1;
  data->Close();
  const bool vouched = LinkPartHashesVouched(link);
  if (vouched) Print(console, kMsgLinkHashesUsed, static_cast<unsigned>(link.partHashes.size()));
  // A download of one part stores none: its file hash judges it.
  if (link.partHashesGiven && !vouched && ExpectedPartHashCount(link.size) > 0)
    console.Write(kMsgLinkHashesNotUsed);
  if (link.aichRootBad) console.Write(kMsgLinkRootBad);
  NewMet met = NewLinkMet(link, *stamp, vouched, *gaps);
  if (!met.problem.empty()) {
    console.Write(met.problem);
    return 1;
  }
  Download download = DownloadOfImage(metPath, std::move(met.image), std::move(met.file), run.disk);
  ReportDownload(download, run);
  return BringUpToDate(download, metStatus, "the ed2k link", /*checkHolder=*/false, run);
}

// Restores the best sound backup, when the backups agree (and the link,
// when one is given, names the same download).
int RestoreBackup(const std::string& metPath, const std::optional<FileStatus>& metStatus,
                  std::vector<MetCandidate>& sound, const std::optional<Ed2kLink>& link,
                  RunContext& run) {
  Console& console = run.console;
  const int winner = ChooseCandidate(sound, console);
  if (winner < 0) return 1;
  MetCandidate& taken = sound[winner];
  if (run.report) {
    for (CandidateReport& candidate : run.report->candidates) candidate.taken = candidate.path == taken.path;
  }
  if (link) {
    if (std::memcmp(link->fileHash.data(), taken.file.header.fileHash, 16) != 0) {
      Print(console, kMsgLinkDisagrees, HashText(link->fileHash.data()).c_str(),
            taken.path.c_str(), HashText(taken.file.header.fileHash).c_str());
      return 1;
    }
    console.Write(kMsgLinkNotNeeded);
  }
  const std::string source = "'" + taken.path + "'";
  Download download = DownloadOfImage(metPath, std::move(taken.image), std::move(taken.file), run.disk);
  ReportDownload(download, run);
  return BringUpToDate(download, metStatus, source, /*checkHolder=*/true, run);
}

}  // namespace

int RunRecovery(const std::vector<std::string>& paths, RunContext& run) {
  Disk& disk = run.disk;
  Console& console = run.console;
  if (paths.empty() || paths.size() > 2) {
    console.Write(kMsgRecoverUsage);
    return -1;
  }
  const std::string metPath = MetPathOf(paths[0]);
  std::optional<Ed2kLink> link;
  if (paths.size() == 2) {
    Ed2kLinkRead read = ReadEd2kLink(paths[1]);
    if (!read.link) {
      console.Write(read.problem);
      return 1;
    }
    link = std::move(read.link);
  }
  // What the path holds now: the damaged file is replaced only if it is
  // still the one looked at.
  std::optional<FileStatus> metStatus;
  FileStatus status;
  if (disk.StatusOf(metPath, &status) == 0) metStatus = status;
  if (run.report) run.report->metPath = metPath;
  std::vector<MetCandidate> sound =
      LookAtCandidates(CandidatePaths(metPath, disk), disk, console, run.report);
  if (!sound.empty() && sound.front().path == metPath) {
    Print(console, link ? kMsgSoundRefusesLink : kMsgNothingToRecover, metPath.c_str());
    return link ? 1 : 0;
  }
  if (!sound.empty()) return RestoreBackup(metPath, metStatus, sound, link, run);
  if (!link) {
    const std::string partPath = DefaultPartFilePath(metPath);
    Print(console, kMsgNoCandidate, metPath.c_str(), partPath.c_str());
    return 1;
  }
  return BuildFromLink(metPath, metStatus, *link, run);
}
