#include "judge/gap_parts.h"

#include <algorithm>

#include "download/data_file.h"
#include "hash/aich_tree.h"
#include "judge/judge_messages.h"
#include "judge/judged_download.h"
#include "judge/part_judgement.h"
#include "met/met_rewrite.h"
#include "met/part_layout.h"
#include "platform/console.h"
#include "reading/part_hashing.h"

namespace {

constexpr size_t kZeroScanChunk = 1 << 20;

// True when [start, end) of the data file, which holds data, holds a byte
// that is not zero. `error` gets the code of a read that failed.
bool HoldsNonZero(File& data, uint64_t start, uint64_t end, Disk& disk, std::vector<uint8_t>& buffer,
                  int* error) {
  for (uint64_t at = start; at < end;) {
    const size_t count = static_cast<size_t>(std::min<uint64_t>(kZeroScanChunk, end - at));
    buffer.resize(count);
    ReadResult got = disk.ReadAt(data, at, buffer.data(), count);
    if (got.error || got.count == 0) {
      *error = got.error ? got.error : -1;
      return false;
    }
    if (std::any_of(buffer.begin(), buffer.begin() + static_cast<std::ptrdiff_t>(got.count),
                    [](uint8_t byte) { return byte != 0; }))
      return true;
    at += got.count;
  }
  return false;
}

// The parts worth hashing: the hashes can judge them, the data file holds
// all their bytes, and a gap piece of theirs holds data that is not zero.
// The file system is asked once a gap where it holds data, so that a gap of
// holes costs one question, whatever the parts it spans.
std::optional<std::vector<uint32_t>> Candidates(const MetFile& file, const GapTable& gaps,
                                                uint32_t judgeable, uint64_t dataLength, File& data,
                                                const std::string& partPath, Disk& disk,
                                                Console& console) {
  std::vector<char> taken(judgeable, 0);
  std::vector<uint8_t> buffer;
  for (const MetGap& gap : gaps) {
    const uint64_t end = std::min(gap.end, dataLength);
    if (!gap.IsValid() || gap.start >= end) continue;
    std::vector<ByteRange> ranges;
    if (disk.DataRanges(data, gap.start, end, &ranges) != 0) ranges.assign(1, {gap.start, end});
    for (const ByteRange& range : ranges) {
      for (uint64_t part = range.start / kPartSize; part < judgeable && part * kPartSize < range.end; ++part) {
        const ByteRange bytes = PartRange(part, file.fileSize);
        if (taken[part] || bytes.end > dataLength) continue;
        int error = 0;
        const bool held = HoldsNonZero(data, std::max(range.start, bytes.start),
                                       std::min(range.end, bytes.end), disk, buffer, &error);
        if (error) {
          Print(console, kMsgReadFailed, partPath.c_str(), error);
          return std::nullopt;
        }
        taken[part] = held;
      }
    }
  }
  std::vector<uint32_t> parts;
  for (uint32_t part = 0; part < judgeable; ++part) {
    if (taken[part]) parts.push_back(part);
  }
  return parts;
}

}  // namespace

std::optional<std::vector<uint32_t>> CompletePartsInGaps(const Download& download, RunContext& run) {
  const MetFile& file = download.file;
  const HashTrust trust = JudgeHashes(download.image, file);
  const AichTrust aich = JudgeAichHashes(file);
  // Nothing can be verified: the listing clears as it always has.
  if (!CanJudge(trust) && !aich.Judges()) return std::vector<uint32_t>{};
  std::optional<File> data = OpenToCheck(download.metPath, download.partPath, run.disk, run.console);
  if (!data) return std::nullopt;
  uint64_t dataLength = 0;
  if (int error = FileSize(run.disk, *data, &dataLength)) {
    Print(run.console, kMsgReadFailed, download.partPath.c_str(), error);
    return std::nullopt;
  }
  const GapTable gaps = ClipToSize(file.gaps, file.fileSize);
  const uint32_t judgeable =
      std::min<uint32_t>(CheckedPartCount(file, trust, aich.Judges()),
                         static_cast<uint32_t>(DownloadPartCount(file.fileSize)));
  const std::optional<std::vector<uint32_t>> parts =
      Candidates(file, gaps, judgeable, dataLength, *data, download.partPath, run.disk, run.console);
  if (!parts) return std::nullopt;
  std::vector<uint32_t> complete;
  if (parts->empty()) return complete;
  const PartJudging judging{download.image, file, trust, dataLength, gaps,
                            aich.Judges() ? &aich.set : nullptr};
  PartHashing hashing(run.disk, DownloadPartSpans(*data, file.fileSize, *parts, aich.Judges()), run.hashing);
  for (size_t i = 0; i < parts->size(); ++i) {
    const PartOutcome outcome = hashing.Wait(static_cast<uint32_t>(i));
    if (!outcome.ok) {
      Print(run.console, kMsgReadFailed, download.partPath.c_str(), outcome.error);
      return std::nullopt;
    }
    const uint32_t part = (*parts)[i];
    const PartFinding finding = JudgePart(judging, part, outcome);
    if (run.report)
      run.report->parts.push_back(PartReport{part, HashText(finding.digest.data()),
                                             VerdictName(finding.verdict), finding.md4Judged,
                                             finding.md4Agrees, finding.aichJudged,
                                             finding.aichAgrees});
    if (finding.verdict == PartVerdict::FoundComplete) complete.push_back(part);
  }
  if (run.report) run.report->trust = !CanJudge(trust) ? "AICH" : TrustName(trust);
  return complete;
}
