// A disk held in memory: files are strings under path names. The listing
// and rewrite fuzzers run whole operations on it thousands of times a
// second, and tests can look at every byte afterwards without a folder.
// Threads may open, read and close handles at once, as a part check does.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <string>

#include "platform/disk.h"

class MemoryDisk : public Disk, private HandleCloser {
 public:
  /// Files may not grow past this, as if the disk were full; a run that
  /// wrote far beyond a file's end would otherwise take all memory.
  static constexpr uint64_t kCapacity = 64u << 20;

  MemoryDisk() = default;
  MemoryDisk(const MemoryDisk&) = delete;
  MemoryDisk& operator=(const MemoryDisk&) = delete;
  ~MemoryDisk() override;

  /// Creates or replaces the file at `path`.
  void PutFile(const std::string& path, std::string bytes);
  /// The file's content, or nullptr when there is none of that name.
  const std::string* FileBytes(const std::string& path) const;
  /// The file's content to change in place, or nullptr; a fuzz target
  /// restores its files this way, without a fresh allocation per run.
  std::string* MutableFileBytes(const std::string& path);
  /// The path names, sorted, separated by spaces.
  std::string ListFiles() const;
  /// Files opened and not yet closed.
  size_t OpenFileCount() const {
    std::lock_guard<std::mutex> lock(openLock_);
    return open_.size();
  }
  /// Makes every PunchHole fail with `error` (0: succeed again), like a
  /// file system that cannot release ranges.
  void RefuseRelease(int error) { releaseError_ = error; }
  /// What SeekCostOf answers from now on (None at first, like an SSD).
  void SetSeekCost(SeekCost cost) { seekCost_ = cost; }

  /// The Disk operations, on the files in memory: an exclusive open fails
  /// with kErrorBusy while the file is open elsewhere, a shared one never.
  /// Threads may call ReadAt at once while nothing opens, closes or writes.
  OpenResult OpenShared(const std::string& path) override;
  OpenResult OpenForReading(const std::string& path) override;
  OpenResult OpenExclusive(const std::string& path) override;
  OpenResult CreateNew(const std::string& path) override;
  int Seek(File& file, uint64_t offset) override;
  ReadResult Read(File& file, void* buffer, size_t size) override;
  ReadResult ReadAt(File& file, uint64_t offset, void* buffer, size_t size) override;
  OpenResult OpenSequentialReader(File& file) override;
  SeekCost SeekCostOf(File& file) override;
  int Write(File& file, const void* buffer, size_t size) override;
  int Flush(File& file) override;
  int SetSparse(File& file) override;
  int PunchHole(File& file, uint64_t offset, uint64_t length) override;
  int DataRanges(File& file, uint64_t start, uint64_t end,
                 std::vector<ByteRange>* ranges) override;
  int ConfirmExclusive(File& file) override;
  int CheckNotInUse(const std::string& path) override;
  int FolderEntries(const std::string& folder, std::vector<std::string>* names) override;
  int RestoreTimes(File& file, const FileTimes& times) override;
  /// Files in memory keep no times: their modification time is 0.
  int Status(File& file, FileStatus* status) override;
  int StatusOf(const std::string& path, FileStatus* status) override;
  PathResult ResolveLinks(const std::string& path) override;
  int LinkNoReplace(const std::string& from, const std::string& to) override;
  int MoveNoReplace(const std::string& from, const std::string& to) override;
  int MoveReplace(const std::string& from, const std::string& to) override;
  int Remove(const std::string& path) override;
  int FlushFolder(const std::string& folder) override;

 private:
  /// A file's content; two names of one file share it, as hard links do.
  using Content = std::shared_ptr<std::string>;

  /// One open file: what it reads and writes, and where.
  struct OpenFile {
    Content content;
    uint64_t position = 0;
    bool writable = false;
  };

  void ReleaseHandle(NativeHandle handle) override;
  /// Opens the file at `path` unless `conflicts` says another open one stands in the way.
  OpenResult Open(const std::string& path, bool writable, bool (*conflicts)(const OpenFile&));
  /// The open file behind `file`, or nullptr for a file this disk did not open.
  OpenFile* Find(File& file);
  /// The status of a content: its identity, size and names.
  FileStatus StatusOfContent(const Content& content) const;

  std::map<std::string, Content> files_;
  /// Guards open_ and nextHandle_; an OpenFile itself stays where it is.
  mutable std::mutex openLock_;
  std::map<NativeHandle, OpenFile> open_;
  NativeHandle nextHandle_ = 1;
  int releaseError_ = 0;
  SeekCost seekCost_ = SeekCost::None;
};
