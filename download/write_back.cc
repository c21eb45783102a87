#include "download/write_back.h"

#include "download/data_file.h"
#include "download/download_messages.h"
#include "download/met_install.h"
#include "met/met_messages.h"
#include "platform/console.h"

namespace {

int Unchanged(const std::string& problem, const std::string& metPath, Console& console) {
  console.Write(problem);
  ReportUnchanged(metPath, console);
  return 1;
}

bool SameFile(const FileStatus& a, const FileStatus& b) {
  return a.identity == b.identity && a.size == b.size && a.modified == b.modified;
}

// True, after saying so, when the metadata path no longer holds the file
// that was read: another program wrote it meanwhile, and a file worked out
// from the old one must not take its place.
bool ReportIfReplaced(const Download& download, Disk& disk, Console& console) {
  FileStatus now;
  const bool exists = disk.StatusOf(download.metPath, &now) == 0;
  const bool same = download.metStatus ? exists && SameFile(now, *download.metStatus) : !exists;
  if (same) return false;
  Print(console, kMsgMetReplaced, download.metPath.c_str());
  return true;
}

// Puts the bytes in place: over the file there, which is kept as a backup
// (a link to it stays a link: its target is rewritten), or where none is.
int Put(const std::string& metPath, const std::string& bytes, Disk& disk, Console& console) {
  FileIdentity identity;
  if (IdentifyPath(disk, metPath, &identity) != 0)
    return CreateMetFile(metPath, bytes, disk, console) ? 0 : 1;
  PathResult target = disk.ResolveLinks(metPath);
  if (target.refusal != OpenRefusal::None)
    return Unchanged(RefusalMessage(metPath, target.refusal), metPath, console);
  return InstallMetFile(target.ok() ? target.path : metPath, bytes, disk, console) ? 0 : 1;
}

}  // namespace

int WriteBack(const Download& download, const MetChange& change, const WriteBackTell& tell,
              const RunContext& run) {
  Console& console = run.console;
  const std::string& metPath = download.metPath;
  MetFile file = download.file;
  if (change.headerTime && file.header.layout == HeaderLayout::FullHeader)
    file.header.opaqueWord = *change.headerTime;
  const std::optional<uint32_t> tagCount = NewTagCount(file, change.mode, change.gaps);
  if (!tagCount) return Unchanged(kMsgTooManyTags, metPath, console);
  if (tell.tagCount) Print(console, kMsgNewTagCount, *tagCount);
  const EncodedMet encoded = EncodeMetFile(download.image, file, change.mode, *tagCount, change.gaps);
  if (!encoded.problem.empty()) return Unchanged(encoded.problem, metPath, console);
  if (tell.encoded) tell.encoded();
  // Every later run, and the clients, would refuse to load it.
  if (encoded.bytes.size() > kMaxMetImageSize)
    return Unchanged(Format(kMsgTooLargeToLoad, static_cast<unsigned long long>(encoded.bytes.size()),
                            kMaxMetImageSize),
                     metPath, console);
  if (run.report) {
    run.report->gaps.clear();
    if (change.mode == RewriteMode::Rebuild) {
      for (const MetGap& gap : change.gaps) run.report->gaps.push_back(GapReport{gap.start, gap.end, "written"});
    }
    run.report->written = WrittenReport{metPath, encoded.bytes.size(), !download.metStatus, run.dryRun};
  }
  if (run.dryRun) {
    Print(console, download.metStatus ? kMsgDryRunRewrite : kMsgDryRunCreate, metPath.c_str(),
          static_cast<unsigned long long>(encoded.bytes.size()));
    return 0;
  }
  // A client may have started while the parts were hashed.
  if (ReportIfInUse(download.partPath, run.disk, console)) return Unchanged("", metPath, console);
  if (ReportIfReplaced(download, run.disk, console)) return 1;
  const int status = Put(metPath, encoded.bytes, run.disk, console);
  // Said only once it is there.
  if (status != 0 && run.report) run.report->written.reset();
  return status;
}
