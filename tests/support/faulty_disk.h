// The real disk with one chosen operation made to fail, to check what a
// run leaves behind when the disk lets it down. Threads may call it at once:
// the calls are counted as they come.
#pragma once

#include <array>
#include <atomic>
#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

#include "platform/disk.h"

enum class DiskOp {
  OpenShared, OpenForReading, OpenExclusive, CreateNew, Status, Seek, Read, Write, Flush,
  SetSparse, PunchHole, LinkNoReplace, MoveNoReplace, MoveReplace, Remove, FlushFolder,
  ConfirmExclusive, CheckNotInUse, OpenSequentialReader, Count
};

class FaultyDisk : public Disk {
 public:
  /// Makes call number `nth` (from 1) of `op` fail with `error`; with
  /// `always`, every call from that one on. Plans for several operations add
  /// up. Read counts the reads at an offset (ReadAt) too.
  void FailCall(DiskOp op, int nth, int error, bool always = false);
  /// Makes every read at an offset (ReadAt) that would deliver the byte at
  /// `offset` fail with `error`, whichever thread and handle asks; several
  /// such bytes add up. Set before the reading starts.
  void FailReadsOf(uint64_t offset, int error);
  /// Runs `action` just before call number `nth` (from 1) of `op` goes to the
  /// disk: another program's doing at that moment of the run.
  void BeforeCall(DiskOp op, int nth, std::function<void()> action) {
    hooks_[static_cast<size_t>(op)] = Hook{nth, std::move(action)};
  }
  /// What SeekCostOf answers instead of the real disk's answer.
  void SetSeekCost(SeekCost cost) { seekCost_ = cost; }
  /// How many times `op` was called.
  int Calls(DiskOp op) const { return calls_[static_cast<size_t>(op)]; }

  OpenResult OpenShared(const std::string& path) override;
  OpenResult OpenForReading(const std::string& path) override;
  OpenResult OpenExclusive(const std::string& path) override;
  OpenResult CreateNew(const std::string& path) override;
  int Seek(File& file, uint64_t offset) override;
  ReadResult Read(File& file, void* buffer, size_t size) override;
  ReadResult ReadAt(File& file, uint64_t offset, void* buffer, size_t size) override;
  OpenResult OpenSequentialReader(File& file) override;
  void Prefetch(File& file, uint64_t offset, uint64_t length) override {
    real_.Prefetch(file, offset, length);
  }
  SeekCost SeekCostOf(File& file) override {
    return seekCost_ ? *seekCost_ : real_.SeekCostOf(file);
  }
  int Write(File& file, const void* buffer, size_t size) override;
  int Flush(File& file) override;
  int SetSparse(File& file) override;
  int PunchHole(File& file, uint64_t offset, uint64_t length) override;
  int DataRanges(File& file, uint64_t start, uint64_t end,
                 std::vector<ByteRange>* ranges) override {
    return real_.DataRanges(file, start, end, ranges);
  }
  int ConfirmExclusive(File& file) override {
    int error = Fault(DiskOp::ConfirmExclusive);
    return error ? error : real_.ConfirmExclusive(file);
  }
  int CheckNotInUse(const std::string& path) override {
    int error = Fault(DiskOp::CheckNotInUse);
    return error ? error : real_.CheckNotInUse(path);
  }
  int FolderEntries(const std::string& folder, std::vector<std::string>* names) override {
    return real_.FolderEntries(folder, names);
  }
  int RestoreTimes(File& file, const FileTimes& times) override {
    return real_.RestoreTimes(file, times);
  }
  int Status(File& file, FileStatus* status) override;
  int StatusOf(const std::string& path, FileStatus* status) override {
    return real_.StatusOf(path, status);
  }
  PathResult ResolveLinks(const std::string& path) override { return real_.ResolveLinks(path); }
  int LinkNoReplace(const std::string& from, const std::string& to) override;
  int MoveNoReplace(const std::string& from, const std::string& to) override;
  int MoveReplace(const std::string& from, const std::string& to) override;
  int Remove(const std::string& path) override;
  int FlushFolder(const std::string& folder) override;

 private:
  /// Counts the call and gives the error it is to fail with, or 0.
  int Fault(DiskOp op);

  Disk& real_ = SystemDisk();
  std::array<std::atomic<int>, static_cast<size_t>(DiskOp::Count)> calls_{};
  struct Plan {
    int nth = 0;
    int error = 0;
    bool always = false;
  };
  std::array<Plan, static_cast<size_t>(DiskOp::Count)> plans_{};
  struct Hook {
    int nth = 0;
    std::function<void()> action;
  };
  std::array<Hook, static_cast<size_t>(DiskOp::Count)> hooks_{};
  struct FailingByte {
    uint64_t offset;
    int error;
  };
  std::vector<FailingByte> failingBytes_;
  std::optional<SeekCost> seekCost_;
};
