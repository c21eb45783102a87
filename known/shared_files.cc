#include "known/shared_files.h"

#include <algorithm>
#include <cstring>
#include <memory>

#include "hash/aich_tree.h"
#include "hash/hash_routines.h"
#include "met/part_layout.h"
#include "platform/console.h"
#include "platform/path.h"
#include "reading/part_hashing.h"
#include "reading/part_span.h"

namespace {

// The modification time in Unix seconds, as a record notes it.
int64_t UnixSeconds(const FileStatus& status) {
  FileTimes times;
  times.modify = status.modified;
  return ModifiedUnixSeconds(times);
}

// The hashes the record judges its file by, one a span: its part hashes, or
// below one part its file hash.
std::vector<Md4Hash> ExpectedDigests(const KnownFile& record) {
  if (!record.partHashes.empty()) return record.partHashes;
  return {record.fileHash};
}

// One file of a batch, open.
struct OpenShared {
  size_t index;
  File file;
  std::vector<Md4Hash> expected;
};

// The hashes of the blocks of part `part` of the open file of `size` bytes,
// read in blocks; false where a read or SHA-1 failed.
bool PartBlockHashes(Disk& disk, File& file, uint64_t size, uint32_t part, std::vector<AichHash>* hashes) {
  const ByteRange range = PartRange(part, size);
  std::vector<uint8_t> block(kAichBlockSize);
  Sha1 sha1;
  for (uint64_t at = range.start; at < range.end; at += kAichBlockSize) {
    const size_t count = static_cast<size_t>(std::min<uint64_t>(kAichBlockSize, range.end - at));
    const ReadResult got = ReadFullyAt(disk, file, at, block.data(), count);
    if (got.error || got.count != count) return false;
    sha1.Update(block.data(), count);
    AichHash hash;
    if (!sha1.Final(hash.data())) return false;
    hashes->push_back(hash);
  }
  return true;
}

// Names the blocks of each corrupt part whose hash differs from the one the
// client keeps, where it keeps them.
void FindBadBlocks(const SharedFile& shared, File& file, Disk& disk, const BlockHashes& blocks,
                   SharedVerdict& verdict) {
  const KnownFile& record = *shared.record;
  if (!blocks.file || !blocks.index || !record.aichRoot) return;
  const AichBlockSet* set = FindAichBlockSet(*blocks.index, *record.aichRoot);
  if (!set) return;
  for (uint32_t part : verdict.corruptParts) {
    std::vector<AichHash> kept, now;
    if (!ReadAichBlockHashes(disk, *blocks.file, *set, shared.status.size, part, &kept).empty() ||
        !PartBlockHashes(disk, file, shared.status.size, part, &now) || kept.size() != now.size())
      continue;
    std::vector<uint32_t> bad;
    for (uint32_t block = 0; block < now.size(); ++block) {
      if (now[block] != kept[block]) bad.push_back(block);
    }
    verdict.badBlocks.emplace_back(part, bad);
  }
}

// Hashes the batch's files side by side; the verdicts of those judged go to
// `judged`, and the position of the first whose reading failed, with the
// error, to `failed` (the ones behind it are not judged by this run).
void HashBatch(std::vector<OpenShared>& batch, const std::vector<SharedFile>& files, Disk& disk,
               const BlockHashes& blocks, const PartHashOptions& options,
               const std::function<void(size_t, const SharedVerdict&)>& judged, size_t* failed,
               int* error) {
  std::vector<PartSpan> spans;
  for (OpenShared& open : batch) {
    const uint64_t size = files[open.index].status.size;
    std::vector<PartSpan> own =
        DownloadPartSpans(open.file, size, PartsBelow(static_cast<uint32_t>(open.expected.size())), false);
    spans.insert(spans.end(), own.begin(), own.end());
  }
  PartHashing hashing(disk, std::move(spans), options);
  uint32_t span = 0;
  *failed = batch.size();
  for (size_t i = 0; i < batch.size(); ++i) {
    OpenShared& open = batch[i];
    SharedVerdict verdict;
    verdict.changed = UnixSeconds(files[open.index].status) != files[open.index].record->modificationTime;
    for (uint32_t part = 0; part < open.expected.size(); ++part, ++span) {
      const PartOutcome outcome = hashing.Wait(span);
      if (!outcome.ok) {
        *failed = i;
        *error = outcome.error;
        return;
      }
      if (std::memcmp(outcome.digest.data(), open.expected[part].data(), 16) != 0)
        verdict.corruptParts.push_back(part);
    }
    verdict.state = verdict.corruptParts.empty() ? SharedVerdict::State::Sound : SharedVerdict::State::Corrupt;
    FindBadBlocks(files[open.index], open.file, disk, blocks, verdict);
    judged(open.index, verdict);
  }
}

SharedVerdict NotJudged(const std::string& why) {
  SharedVerdict verdict;
  verdict.why = why;
  return verdict;
}

}  // namespace

std::vector<SharedFile> FindSharedFiles(const KnownMet& known, const std::vector<std::string>& folders,
                                        FileSystem& files) {
  std::vector<SharedFile> found;
  for (const KnownFile& record : known.files) {
    SharedFile shared;
    shared.record = &record;
    if (!record.name.empty() && record.size && record.problems.empty()) {
      for (const std::string& folder : folders) {
        const std::string path = AppendPath(folder, record.name);
        FileStatus status;
        if (files.StatusOf(path, &status) == 0 && status.size == *record.size) {
          shared.path = path;
          shared.status = status;
          break;
        }
      }
    }
    found.push_back(std::move(shared));
  }
  return found;
}

void JudgeSharedFiles(const std::vector<SharedFile>& files, Disk& disk, const BlockHashes& blocks,
                      const PartHashOptions& options,
                      const std::function<void(size_t, const SharedVerdict&)>& judged) {
  size_t next = 0;
  while (next < files.size()) {
    // The verdicts of the records from `first` on, told in order at the end.
    const size_t first = next;
    std::vector<std::optional<SharedVerdict>> verdicts;
    auto note = [&](size_t index, const SharedVerdict& verdict) {
      if (verdicts.size() <= index - first) verdicts.resize(index - first + 1);
      verdicts[index - first] = verdict;
    };
    std::vector<OpenShared> batch;
    for (; next < files.size() && batch.size() < kFilesAtOnce; ++next) {
      const SharedFile& shared = files[next];
      if (!shared.record->problems.empty()) {
        note(next, NotJudged(shared.record->problems.front()));
        continue;
      }
      if (shared.path.empty()) {
        SharedVerdict verdict;
        verdict.state = SharedVerdict::State::NotFound;
        note(next, verdict);
        continue;
      }
      OpenResult opened = disk.OpenShared(shared.path);
      if (!opened.ok()) {
        note(next, NotJudged(opened.error ? Format("it cannot be opened (Error %d)", opened.error)
                                          : "it is not a regular file, or another user's link leads to it"));
        continue;
      }
      batch.push_back(OpenShared{next, std::move(opened.file), ExpectedDigests(*shared.record)});
    }
    // A file whose reading fails is said so; the others are hashed again.
    while (!batch.empty()) {
      size_t failed = 0;
      int error = 0;
      HashBatch(batch, files, disk, blocks, options, note, &failed, &error);
      if (failed == batch.size()) break;
      note(batch[failed].index, NotJudged(Format("reading it failed (Error %d)", error)));
      batch.erase(batch.begin(), batch.begin() + static_cast<std::ptrdiff_t>(failed) + 1);
    }
    for (size_t i = 0; i < verdicts.size(); ++i) judged(first + i, *verdicts[i]);
  }
}
