#include "judge/rebuild.h"

#include "download/data_file.h"
#include "download/met_install.h"
#include "download/write_back.h"
#include "gaps/gap_bar.h"
#include "gaps/gap_list.h"
#include "judge/judge_messages.h"
#include "judge/judged_download.h"
#include "judge/part_check.h"
#include "platform/console.h"

namespace {

int Unchanged(const std::string& problem, const std::string& metPath, Console& console) {
  console.Write(problem);
  ReportUnchanged(metPath, console);
  return 1;
}

}  // namespace

int RunRebuild(Download& download, RunContext& run) {
  Console& console = run.console;
  MetFile& file = download.file;
  const std::string& metPath = download.metPath;
  console.Write(JudgingHeader(download));
  // Whatever lay behind the damage would be lost.
  if (!file.damage.empty()) return Unchanged(file.damage, metPath, console);
  console.Write(download.dataNotes);
  if (!run.dryRun && ReportIfInUse(download.partPath, run.disk, console))
    return Unchanged("", metPath, console);
  GapTable gaps = RewritableGaps(file);
  // A dry run only reads, also while a client holds the download.
  const JudgedDownload judged = JudgeDownload(download.image, file, gaps, metPath,
                                              download.partPath, run.dryRun, run.disk, console, run.report, run.hashing);
  // Hashes that cannot judge leave nothing to mend: a download without
  // part hashes yet is in order, damaged ones are not.
  if (judged.state == JudgedState::NotJudged) return judged.trust == HashTrust::NoneYet ? 0 : 1;
  if (judged.state == JudgedState::Failed) return Unchanged("", metPath, console);
  RepairGaps(judged.verdicts, file.fileSize, judged.dataLength, gaps, console);
  const std::vector<uint32_t> listed = ListedCorruptParts(file);
  const std::vector<uint32_t> corrupted = NewCorruptedParts(listed, judged.verdicts);
  if (SameGaps(StoredGaps(file), gaps) && corrupted == listed && !GapTagsToRewrite(file)) {
    Print(console, kMsgPartsUnchanged, metPath.c_str());
    return 0;
  }
  if (corrupted != listed) SetCorruptedParts(file, corrupted);
  MetChange change;
  change.gaps = gaps;
  // Every part is judged now: the client need not hash them again.
  change.headerTime = DataFileTime(download);
  WriteBackTell tell;
  tell.encoded = [&] {
    GapBar(gaps, file.fileSize, console);
    if (run.dryRun) console.Write(GapSummary(gaps, file.fileSize));
  };
  return WriteBack(download, change, tell, run);
}

int RunCheck(Download& download, RunContext& run) {
  Console& console = run.console;
  const MetFile& file = download.file;
  console.Write(JudgingHeader(download));
  if (!file.damage.empty()) {
    console.Write(file.damage);
    return 1;
  }
  console.Write(download.dataNotes);
  const JudgedDownload judged = JudgeDownload(download.image, file, RewritableGaps(file),
                                              download.metPath, download.partPath,
                                              /*shared=*/true, run.disk, console, run.report, run.hashing);
  if (judged.state == JudgedState::Failed) return 1;
  if (judged.state == JudgedState::NotJudged) {
    Print(console, kMsgCheckSummary,
          judged.trust == HashTrust::NoneYet ? "none judged (no part hashes yet)"
                                             : "none judged (the part hashes are not trustworthy)");
    console.Write(RehashLine(download));
    return judged.trust == HashTrust::NoneYet ? 0 : 1;
  }
  console.Write(CheckSummary(judged.findings));
  console.Write(RehashLine(download));
  // Judged by the AICH set alone, the part hashes are still damaged.
  if (!CanJudge(judged.trust) && judged.trust != HashTrust::NoneYet) return 1;
  for (PartVerdict verdict : judged.verdicts) {
    if (verdict == PartVerdict::Corrupt) return 1;
  }
  return 0;
}
