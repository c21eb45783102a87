#include "judge/judged_download.h"

#include <optional>

#include "download/data_file.h"
#include "platform/console.h"
#include "platform/disk.h"
#include "judge/part_check.h"
#include "judge/judge_messages.h"

namespace {

// Says where the data file's length and the download's size part ways:
// only the size counts, and the bytes past it are never touched.
void ReportLength(const std::string& partPath, uint64_t length, uint64_t size, Console& console) {
  if (length == size) return;
  Print(console, length > size ? kMsgDataLonger : kMsgDataShorter, partPath.c_str(),
        static_cast<unsigned long long>(length), static_cast<unsigned long long>(size));
}

// Notes the trust and every verdict in the report.
void ReportJudgement(const JudgedDownload& judged, bool byAich, DownloadReport* report) {
  if (!report) return;
  report->trust = byAich && !CanJudge(judged.trust) ? "AICH" : TrustName(judged.trust);
  for (uint32_t part = 0; part < judged.findings.size(); ++part) {
    const PartFinding& finding = judged.findings[part];
    report->parts.push_back(PartReport{part, HashText(finding.digest.data()),
                                       VerdictName(finding.verdict), finding.md4Judged,
                                       finding.md4Agrees, finding.aichJudged, finding.aichAgrees});
  }
}

}  // namespace

const char* TrustName(HashTrust trust) {
  switch (trust) {
    case HashTrust::PartHashes: return "part hashes";
    case HashTrust::FileHash: return "file hash";
    case HashTrust::NoneYet: return "none yet";
    case HashTrust::WrongCount: return "wrong count";
    case HashTrust::Mismatch: return "mismatch";
    case HashTrust::NoSize: return "no size";
  }
  return "";
}

const char* VerdictName(PartVerdict verdict) {
  switch (verdict) {
    case PartVerdict::Sound: return "sound";
    case PartVerdict::Corrupt: return "corrupt";
    case PartVerdict::Incomplete: return "incomplete";
    case PartVerdict::FoundComplete: return "complete in a gap";
  }
  return "";
}

JudgedDownload JudgeDownload(const MetImage& image, const MetFile& file, const GapTable& gaps,
                             const std::string& metPath, const std::string& partPath, bool shared,
                             Disk& disk, Console& console, DownloadReport* report,
                             const PartHashOptions& options) {
  JudgedDownload judged;
  std::optional<File> data = shared ? OpenToCheck(metPath, partPath, disk, console)
                                    : OpenForHashing(metPath, partPath, disk, console);
  if (!data) return judged;
  judged.trust = JudgeHashes(image, file);
  const AichTrust aich = JudgeAichHashes(file);
  console.Write(AichIgnoredLine(aich));
  if (!CanJudge(judged.trust)) {
    console.Write(UntrustedLine(judged.trust, file, aich.Judges()));
    if (!aich.Judges()) {
      judged.state = JudgedState::NotJudged;
      ReportJudgement(judged, false, report);
      return judged;
    }
  }
  if (int error = FileSize(disk, *data, &judged.dataLength)) {
    Print(console, kMsgReadFailed, partPath.c_str(), error);
    return judged;
  }
  ReportLength(partPath, judged.dataLength, file.fileSize, console);
  const PartJudging judging{image, file, judged.trust, judged.dataLength, gaps,
                            aich.Judges() ? &aich.set : nullptr};
  std::optional<std::vector<PartFinding>> findings =
      HashParts(judging, *data, partPath, disk, console, options);
  if (!findings) return judged;
  judged.findings = std::move(*findings);
  judged.verdicts = Verdicts(judged.findings);
  judged.state = JudgedState::Judged;
  ReportJudgement(judged, aich.Judges(), report);
  return judged;
}
