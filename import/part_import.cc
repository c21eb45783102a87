#include "import/part_import.h"

#include <algorithm>
#include <cstring>
#include <map>
#include <optional>

#include "download/data_file.h"
#include "download/download_messages.h"
#include "download/met_install.h"
#include "download/write_back.h"
#include "gaps/gap_bar.h"
#include "hash/hash_routines.h"
#include "import/import_messages.h"
#include "judge/judge_messages.h"
#include "judge/part_check.h"
#include "judge/part_judgement.h"
#include "met/met_rewrite.h"
#include "platform/console.h"
#include "reading/part_hashing.h"
#include "reading/part_span.h"

namespace {

// What is known of the download while parts are looked for.
struct Wanted {
  const Download& download;
  HashTrust trust;
  const AichHashSet* aich;
  GapTable gaps;
  uint64_t dataLength;
  PartHashOptions hashing;
};

// The pieces of [start, end) that are gaps: inside a valid gap, or past the
// end of the data file (the clients take the missing tail for a gap).
std::vector<ByteRange> GapPieces(const GapTable& gaps, uint64_t dataLength, uint64_t start, uint64_t end) {
  std::vector<ByteRange> pieces;
  for (const MetGap& gap : gaps) {
    if (!gap.IsValid()) continue;
    const uint64_t a = std::max(gap.start, start), b = std::min(gap.end, end);
    if (a < b) pieces.push_back({a, b});
  }
  if (dataLength < end) pieces.push_back({std::max(start, dataLength), end});
  std::sort(pieces.begin(), pieces.end(), [](const ByteRange& x, const ByteRange& y) { return x.start < y.start; });
  std::vector<ByteRange> merged;
  for (const ByteRange& piece : pieces) {
    if (!merged.empty() && piece.start <= merged.back().end)
      merged.back().end = std::max(merged.back().end, piece.end);
    else
      merged.push_back(piece);
  }
  return merged;
}

// The stored MD4 hash of part `part`.
const uint8_t* StoredHash(const Wanted& wanted, uint32_t part) {
  const MetFile& file = wanted.download.file;
  return wanted.trust == HashTrust::FileHash ? file.header.fileHash
                                             : PartHash(wanted.download.image, file.header, part);
}

// The parts a gap touches: the ones to look for, in order.
std::vector<uint32_t> NeededParts(const Wanted& wanted) {
  const MetFile& file = wanted.download.file;
  const uint32_t parts = std::min<uint32_t>(CheckedPartCount(file, wanted.trust),
                                            static_cast<uint32_t>(DownloadPartCount(file.fileSize)));
  std::vector<uint32_t> needed;
  for (uint32_t part = 0; part < parts; ++part) {
    const ByteRange range = PartRange(part, file.fileSize);
    if (range.start < range.end && !GapPieces(wanted.gaps, wanted.dataLength, range.start, range.end).empty())
      needed.push_back(part);
  }
  return needed;
}

// A part found in a source.
struct Found {
  uint32_t part;
  size_t source;
  uint64_t offset;
};

// An open source and how it is read.
struct Source {
  std::string path;
  File file;
  uint64_t size = 0;
  bool sameOffsets = false;
};

// Why `path` may not be a source, said; an open source otherwise.
std::optional<Source> OpenSource(const std::string& path, const Wanted& wanted, const FileIdentity& data,
                                 Disk& disk, Console& console) {
  std::vector<std::string> names;
  if (disk.FolderEntries(path, &names) == 0) {
    Print(console, kMsgSourceFolder, path.c_str());
    return std::nullopt;
  }
  // Told by name first: the data file, held for writing, is not opened twice.
  FileIdentity identity;
  if (IdentifyPath(disk, path, &identity) == 0 && identity == data) {
    Print(console, kMsgSourceIsData, path.c_str());
    return std::nullopt;
  }
  OpenResult opened = disk.OpenShared(path);
  if (!opened.ok()) {
    if (opened.refusal != OpenRefusal::None)
      console.Write(RefusalMessage(path, opened.refusal));
    else
      Print(console, kMsgSourceUnreadable, path.c_str(), opened.error);
    return std::nullopt;
  }
  FileStatus status;
  if (int error = disk.Status(opened.file, &status)) {
    Print(console, kMsgSourceUnreadable, path.c_str(), error);
    return std::nullopt;
  }
  if (status.identity == data) {
    Print(console, kMsgSourceIsData, path.c_str());
    return std::nullopt;
  }
  if (IsMetadataFileName(path) || IsMetadataOrBackup(disk, wanted.download.metPath, status.identity)) {
    Print(console, kMsgSourceIsMet, path.c_str());
    return std::nullopt;
  }
  Source source{path, std::move(opened.file), status.size, status.size == wanted.download.file.fileSize};
  Print(console, source.sameOffsets ? kMsgSourceSameOffsets : kMsgSourceAsParts, path.c_str(),
        static_cast<unsigned long long>(source.size));
  return source;
}

// The spans to hash in the source: the wanted parts at their own offsets,
// with their AICH shape where a set judges, or a part at every multiple of
// the part size.
std::vector<PartSpan> SourceSpans(Source& source, const Wanted& wanted, const std::vector<uint32_t>& parts) {
  const uint64_t size = wanted.download.file.fileSize;
  if (source.sameOffsets) return DownloadPartSpans(source.file, size, parts, wanted.aich != nullptr);
  std::vector<PartSpan> spans;
  for (uint64_t at = 0; at < source.size; at += kPartSize)
    spans.push_back(PartSpan{&source.file, at, std::min(kPartSize, source.size - at), 0, 0});
  return spans;
}

// True when the AICH hash of `source`'s `length` bytes at `offset`, in part
// `part`'s place of the tree, is the trusted one (or no set judges).
bool AichAgrees(Source& source, uint64_t offset, uint32_t part, const Wanted& wanted, Disk& disk) {
  if (!wanted.aich) return true;
  const uint64_t size = wanted.download.file.fileSize;
  const ByteRange range = PartRange(part, size);
  PartHashing hashing(disk, {PartSpan{&source.file, offset, range.end - range.start, part, size}}, wanted.hashing);
  const PartOutcome outcome = hashing.Wait(0);
  return outcome.ok && outcome.aich && part < wanted.aich->parts.size() && *outcome.aich == wanted.aich->parts[part];
}

// Looks for the parts still wanted in one source; what it has goes to `found`.
void LookIn(Source& source, size_t index, const Wanted& wanted, std::vector<uint32_t>& stillWanted,
            std::vector<Found>& found, Disk& disk, Console& console) {
  const uint64_t size = wanted.download.file.fileSize;
  std::vector<uint32_t> asked = stillWanted;
  std::vector<PartSpan> spans = SourceSpans(source, wanted, asked);
  PartHashing hashing(disk, spans, wanted.hashing);
  for (uint32_t i = 0; i < spans.size(); ++i) {
    const PartOutcome outcome = hashing.Wait(i);
    if (!outcome.ok) {
      Print(console, kMsgSourceReadFailed, source.path.c_str(), outcome.error);
      break;
    }
    for (uint32_t part : asked) {
      const ByteRange range = PartRange(part, size);
      if (source.sameOffsets ? part != asked[i] : spans[i].length != range.end - range.start) continue;
      if (std::find(stillWanted.begin(), stillWanted.end(), part) == stillWanted.end()) continue;
      if (std::memcmp(outcome.digest.data(), StoredHash(wanted, part), 16) != 0) continue;
      const bool aich = source.sameOffsets
                            ? !wanted.aich || (outcome.aich && part < wanted.aich->parts.size() &&
                                               *outcome.aich == wanted.aich->parts[part])
                            : AichAgrees(source, spans[i].offset, part, wanted, disk);
      if (!aich) continue;
      found.push_back(Found{part, index, spans[i].offset});
      stillWanted.erase(std::find(stillWanted.begin(), stillWanted.end(), part));
      break;
    }
  }
}

// The completion the gaps leave, in percent.
double Completion(const GapTable& gaps, uint64_t dataLength, uint64_t size) {
  if (size == 0) return 0;
  uint64_t missing = 0;
  for (const ByteRange& piece : GapPieces(gaps, dataLength, 0, size)) missing += piece.end - piece.start;
  return 100.0 * double(size - missing) / double(size);
}

// Writes the gap pieces of every found part into the data file, the source's
// bytes; 0 or the error, said.
int WriteParts(const std::vector<Found>& found, std::vector<Source>& sources, const Wanted& wanted,
               File& data, Disk& disk, Console& console) {
  const uint64_t size = wanted.download.file.fileSize;
  std::vector<uint8_t> buffer(1 << 20);
  for (const Found& part : found) {
    const ByteRange range = PartRange(part.part, size);
    for (const ByteRange& piece : GapPieces(wanted.gaps, wanted.dataLength, range.start, range.end)) {
      for (uint64_t at = piece.start; at < piece.end;) {
        const size_t count = static_cast<size_t>(std::min<uint64_t>(buffer.size(), piece.end - at));
        Source& source = sources[part.source];
        const ReadResult got = ReadFullyAt(disk, source.file, part.offset + (at - range.start), buffer.data(), count);
        if (got.error || got.count != count) {
          Print(console, kMsgSourceReadFailed, source.path.c_str(), got.error ? got.error : -1);
          return got.error ? got.error : -1;
        }
        int error = disk.Seek(data, at);
        if (!error) error = disk.Write(data, buffer.data(), count);
        if (error) return error;
        at += count;
      }
    }
  }
  return disk.Flush(data);
}

}  // namespace

namespace {

// The parts of `found` that hash right in the data file now, as the
// judgement takes them; the others said and dropped.
std::vector<Found> HashedRight(const std::vector<Found>& found, const Wanted& wanted, File& data,
                               uint64_t dataLength, Disk& disk, Console& console) {
  const MetFile& file = wanted.download.file;
  std::vector<uint32_t> parts;
  for (const Found& part : found) parts.push_back(part.part);
  const PartJudging judging{wanted.download.image, file, wanted.trust, dataLength, GapTable{}, wanted.aich};
  PartHashing hashing(disk, DownloadPartSpans(data, file.fileSize, parts, wanted.aich != nullptr), wanted.hashing);
  std::vector<Found> right;
  for (uint32_t i = 0; i < found.size(); ++i) {
    const PartOutcome outcome = hashing.Wait(i);
    if (outcome.ok && JudgePart(judging, found[i].part, outcome).verdict == PartVerdict::Sound)
      right.push_back(found[i]);
    else
      Print(console, kMsgPartNotSound, found[i].part, wanted.download.partPath.c_str());
  }
  return right;
}

std::string PartList(const std::vector<uint32_t>& parts) {
  std::string text;
  for (uint32_t part : parts) text += (text.empty() ? "" : ",") + std::to_string(part);
  return text;
}

}  // namespace

int RunImport(const std::vector<std::string>& paths, RunContext& run) {
  Disk& disk = run.disk;
  Console& console = run.console;
  if (paths.size() < 2) {
    console.Write(kMsgImportUsage);
    return -1;
  }
  std::optional<Download> loaded = LoadDownload(paths.back(), MetUse::Rewrite, false, run);
  if (!loaded) return 1;
  Download& download = *loaded;
  MetFile& file = download.file;
  console.Write(JudgingHeader(download));
  if (!file.damage.empty()) {
    console.Write(file.damage);
    ReportUnchanged(download.metPath, console);
    return 1;
  }
  console.Write(download.dataNotes);
  const HashTrust trust = JudgeHashes(download.image, file);
  if (!CanJudge(trust)) {
    console.Write(UntrustedLine(trust, file));
    console.Write(kMsgImportNoHashes);
    return 1;
  }
  const AichTrust aich = JudgeAichHashes(file);
  console.Write(AichIgnoredLine(aich));
  // Written into only in its gaps, by nobody else meanwhile; a dry run only reads.
  std::optional<File> data = run.dryRun ? OpenToCheck(download.metPath, download.partPath, disk, console)
                                        : OpenForClearing(download.metPath, download.partPath, disk, console);
  if (!data) return 1;
  FileStatus status;
  if (int error = disk.Status(*data, &status)) {
    Print(console, kMsgReadFailed, download.partPath.c_str(), error);
    return 1;
  }
  if (status.links > 1) {
    Print(console, kMsgDataFileLinked, download.partPath.c_str(), static_cast<unsigned>(status.links));
    return 1;
  }
  Wanted wanted{download, trust, aich.Judges() ? &aich.set : nullptr, RewritableGaps(file), status.size,
                run.hashing};
  std::vector<uint32_t> stillWanted = NeededParts(wanted);
  if (stillWanted.empty()) {
    console.Write(kMsgImportNothingNeeded);
    return 0;
  }
  std::vector<Source> sources;
  std::vector<Found> found;
  for (size_t i = 0; i + 1 < paths.size() && !stillWanted.empty(); ++i) {
    std::optional<Source> source = OpenSource(paths[i], wanted, status.identity, disk, console);
    if (!source) continue;
    sources.push_back(std::move(*source));
    const size_t before = found.size();
    LookIn(sources.back(), sources.size() - 1, wanted, stillWanted, found, disk, console);
    for (size_t f = before; f < found.size(); ++f)
      Print(console, run.dryRun ? kMsgPartWouldImport : kMsgPartImported, found[f].part, paths[i].c_str());
  }
  std::sort(found.begin(), found.end(), [](const Found& a, const Found& b) { return a.part < b.part; });
  if (!stillWanted.empty()) Print(console, kMsgPartsNoSource, PartList(stillWanted).c_str());
  const double before = Completion(wanted.gaps, wanted.dataLength, file.fileSize);
  uint64_t dataLength = wanted.dataLength;
  if (!run.dryRun && !found.empty()) {
    if (int error = WriteParts(found, sources, wanted, *data, disk, console)) {
      Print(console, kMsgImportWriteFailed, download.partPath.c_str(), error);
      return 1;
    }
    if (int error = disk.Status(*data, &status)) {
      Print(console, kMsgReadFailed, download.partPath.c_str(), error);
      return 1;
    }
    dataLength = status.size;
    // Hashed again through a reading of its own: a second handle of the file
    // held alone would wait for that hold to be let go.
    data->Close();
    data = OpenToCheck(download.metPath, download.partPath, disk, console);
    if (!data) return 1;
    found = HashedRight(found, wanted, *data, dataLength, disk, console);
  }
  // The metadata file follows: without the parts taken, the header on the
  // data file's new time, so that the client need not hash it all again.
  std::vector<PartVerdict> verdicts(DownloadPartCount(file.fileSize), PartVerdict::Incomplete);
  for (const Found& part : found) verdicts[part.part] = PartVerdict::FoundComplete;
  GapTable gaps = wanted.gaps;
  RepairGaps(verdicts, file.fileSize, dataLength, gaps, console);
  const std::vector<uint32_t> listed = ListedCorruptParts(file);
  const std::vector<uint32_t> corrupted = NewCorruptedParts(listed, verdicts);
  if (corrupted != listed) SetCorruptedParts(file, corrupted);
  Print(console, kMsgImportCompletion, before, Completion(gaps, dataLength, file.fileSize));
  if (run.report) {
    for (const Found& part : found)
      run.report->imported.push_back(ImportReport{part.part, sources[part.source].path});
  }
  if (found.empty()) return 0;
  data->Close();
  download.data = status;
  MetChange change;
  change.gaps = gaps;
  change.headerTime = DataFileTime(download);
  WriteBackTell tell;
  tell.encoded = [&] { GapBar(gaps, file.fileSize, console); };
  return WriteBack(download, change, tell, run);
}
