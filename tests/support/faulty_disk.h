// The real disk with one chosen operation made to fail, to check what a
// run leaves behind when the disk lets it down.
#pragma once

#include <array>

#include "platform/disk.h"

enum class DiskOp {
  OpenShared, OpenForReading, OpenExclusive, CreateNew, FileSize, Seek, Read, Write, Flush,
  SetSparse, PunchHole, LinkNoReplace, MoveNoReplace, MoveReplace, Remove, FlushFolder,
  ConfirmExclusive, CheckNotInUse, Count
};

class FaultyDisk : public Disk {
 public:
  /// Makes call number `nth` (from 1) of `op` fail with `error`; with
  /// `always`, every call from that one on. Plans for several operations add up.
  void FailCall(DiskOp op, int nth, int error, bool always = false);
  /// How many times `op` was called.
  int Calls(DiskOp op) const { return calls_[static_cast<size_t>(op)]; }

  OpenResult OpenShared(const std::string& path) override;
  OpenResult OpenForReading(const std::string& path) override;
  OpenResult OpenExclusive(const std::string& path) override;
  OpenResult CreateNew(const std::string& path) override;
  int FileSize(File& file, uint64_t* size) override;
  int Seek(File& file, uint64_t offset) override;
  ReadResult Read(File& file, void* buffer, size_t size) override;
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
  int ReadTimes(File& file, FileTimes* times) override { return real_.ReadTimes(file, times); }
  int RestoreTimes(File& file, const FileTimes& times) override {
    return real_.RestoreTimes(file, times);
  }
  int Identify(File& file, FileIdentity* identity) override {
    return real_.Identify(file, identity);
  }
  int IdentifyPath(const std::string& path, FileIdentity* identity) override {
    return real_.IdentifyPath(path, identity);
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
  std::array<int, static_cast<size_t>(DiskOp::Count)> calls_{};
  struct Plan {
    int nth = 0;
    int error = 0;
    bool always = false;
  };
  std::array<Plan, static_cast<size_t>(DiskOp::Count)> plans_{};
};
