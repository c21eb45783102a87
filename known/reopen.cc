#include "known/reopen.h"

#include <algorithm>
#include <optional>

#include "download/write_back.h"
#include "gaps/gap_bar.h"
#include "gaps/gap_list.h"
#include "known/client_config.h"
#include "known/client_files.h"
#include "known/known_messages.h"
#include "known/shared_files.h"
#include "met/new_met.h"
#include "met/part_layout.h"
#include "platform/console.h"
#include "platform/path.h"

namespace {

// Where the download goes: the folder given, else the client's first Temp folder.
std::string TempFolderOf(const std::vector<std::string>& paths, Disk& disk) {
  if (paths.size() > 2) return paths[2];
  const ClientFolders client = ReadClientFolders(disk, RemoveFileSpec(paths[0]));
  return client.temp.empty() ? "" : client.temp.front();
}

// The record of the file: its name and size, as the clients find a file.
const KnownFile* RecordOf(const KnownMet& known, const std::string& name, uint64_t size) {
  for (const KnownFile& record : known.files) {
    if (record.name == name && record.size && *record.size == size) return &record;
  }
  return nullptr;
}

// The first NNN of the Temp folder for which neither NNN.part.met nor
// NNN.part (nor a backup of the metadata file) exists; 0 when 001 to 999 are taken.
unsigned FreeNumber(const std::string& temp, Disk& disk) {
  for (unsigned number = 1; number <= 999; ++number) {
    const std::string base = AppendPath(temp, Format("%03u.part", number));
    bool taken = false;
    for (const char* suffix : {"", ".met", ".met.bak", ".met.backup", ".met.old"}) {
      FileIdentity identity;
      taken |= IdentifyPath(disk, base + suffix, &identity) == 0;
    }
    if (!taken) return number;
  }
  return 0;
}

// The gaps of the corrupt parts, each touching run of them one gap.
GapTable CorruptGaps(const std::vector<uint32_t>& parts, uint64_t size) {
  GapTable gaps;
  for (uint32_t part : parts) {
    const ByteRange range = PartRange(part, size);
    if (range.start == range.end) continue;
    if (!gaps.empty() && gaps.back().end == range.start) {
      gaps.back().end = range.end;
      continue;
    }
    MetGap gap;
    gap.start = range.start;
    gap.end = range.end;
    gap.startStored = gap.endStored = true;
    gaps.push_back(gap);
  }
  return gaps;
}

// The text value of the record's tag `id`, or its blob; "" without one.
std::string TagData(const KnownFile& record, uint8_t id) {
  for (const TagRecord& tag : record.tags) {
    if ((tag.name ? tag.name->size() == 1 && static_cast<uint8_t>((*tag.name)[0]) == id : tag.nameId == id))
      return tag.data;
  }
  return "";
}

// The download the clients would hold for the file, with its corrupt parts
// to fetch again.
NewMet ReopenedMet(const KnownFile& record, uint64_t size, uint32_t timeStamp,
                   const std::vector<uint32_t>& corrupt) {
  NewMetFields fields;
  fields.name = record.name;
  fields.size = size;
  fields.fileHash = record.fileHash;
  fields.partHashes = record.partHashes;
  fields.timeStamp = timeStamp;
  fields.aichRoot = record.aichRootText;
  fields.aichHashSet = TagData(record, 0x35);
  fields.corruptedParts = corrupt;
  fields.gaps = CorruptGaps(corrupt, size);
  return NewMetFile(fields);
}

}  // namespace

int RunReopen(const std::vector<std::string>& paths, RunContext& run) {
  Disk& disk = run.disk;
  Console& console = run.console;
  if (paths.size() < 2 || paths.size() > 3) {
    console.Write(kMsgReopenUsage);
    return -1;
  }
  const std::string& knownPath = paths[0];
  const std::string& filePath = paths[1];
  const KnownMet known = LoadKnownMet(disk, knownPath);
  if (!known.problem.empty()) {
    Print(console, kMsgKnownProblem, knownPath.c_str(), known.problem.c_str());
    return 1;
  }
  FileStatus status;
  if (int error = disk.StatusOf(filePath, &status)) {
    Print(console, kMsgReopenNoFile, filePath.c_str(), error);
    return 1;
  }
  const std::string folderOf = RemoveFileSpec(filePath);
  const std::string name = folderOf.empty() ? filePath : filePath.substr(folderOf.size() + 1);
  const KnownFile* record = RecordOf(known, name, status.size);
  if (!record) {
    Print(console, kMsgReopenNoRecord, filePath.c_str(), knownPath.c_str());
    return 1;
  }
  if (!record->problems.empty()) {
    Print(console, kMsgReopenBadRecord, filePath.c_str(), record->problems.front().c_str());
    return 1;
  }
  SharedFile shared{record, filePath, status};
  SharedVerdict verdict;
  JudgeSharedFiles({shared}, disk, {}, run.hashing, [&](size_t, const SharedVerdict& judged) { verdict = judged; });
  if (verdict.state == SharedVerdict::State::NotJudged) {
    Print(console, kMsgSharedNotJudged, filePath.c_str(), verdict.why.c_str());
    return 1;
  }
  if (verdict.state == SharedVerdict::State::Sound) {
    Print(console, kMsgReopenSound, filePath.c_str());
    return 0;
  }
  std::string parts;
  for (uint32_t part : verdict.corruptParts) parts += (parts.empty() ? "" : ",") + std::to_string(part);
  Print(console, kMsgReopenCorrupt, filePath.c_str(), parts.c_str());
  const std::string temp = TempFolderOf(paths, disk);
  FileStatus folder;
  if (temp.empty() || disk.StatusOf(temp, &folder) != 0) {
    Print(console, kMsgReopenNoTemp, temp.c_str(), knownPath.c_str());
    return 1;
  }
  // A rename on one file system only: a copy could leave the file twice, or half.
  if (folder.identity.device != status.identity.device) {
    Print(console, kMsgReopenOtherDevice, filePath.c_str(), temp.c_str());
    return 1;
  }
  const unsigned number = FreeNumber(temp, disk);
  if (number == 0) {
    Print(console, kMsgReopenNoNumber, temp.c_str());
    return 1;
  }
  const std::string partPath = AppendPath(temp, Format("%03u.part", number));
  FileTimes times;
  times.modify = status.modified;
  const int64_t seconds = ModifiedUnixSeconds(times);
  NewMet met = ReopenedMet(*record, status.size, static_cast<uint32_t>(std::clamp<int64_t>(seconds, 0, 0xFFFFFFFFll)),
                           verdict.corruptParts);
  if (!met.problem.empty()) {
    console.Write(met.problem);
    return 1;
  }
  const GapTable gaps = met.file.gaps;
  Download download = DownloadOfImage(partPath + ".met", std::move(met.image), std::move(met.file), disk);
  ReportDownload(download, run);
  WriteBackTell tell;
  tell.tagCount = false;
  tell.encoded = [&] {
    console.Write(GapSummary(gaps, status.size));
    GapBar(gaps, status.size, console);
  };
  if (run.dryRun) {
    const int written = WriteBack(download, MetChange{RewriteMode::Rebuild, gaps, std::nullopt}, tell, run);
    if (written == 0) Print(console, kMsgReopenWouldMove, filePath.c_str(), partPath.c_str());
    return written;
  }
  // The data file first: the metadata file, written last, is what makes it a download.
  if (int error = disk.MoveNoReplace(filePath, partPath)) {
    Print(console, kMsgReopenCannotMove, filePath.c_str(), partPath.c_str(), error);
    return 1;
  }
  download.partPath = partPath;
  if (WriteBack(download, MetChange{RewriteMode::Rebuild, gaps, std::nullopt}, tell, run) != 0) {
    if (disk.MoveNoReplace(partPath, filePath) == 0)
      Print(console, kMsgReopenMovedBack, filePath.c_str());
    else
      Print(console, kMsgReopenLeftAt, filePath.c_str(), partPath.c_str());
    return 1;
  }
  Print(console, kMsgReopened, filePath.c_str(), partPath.c_str());
  return 0;
}
