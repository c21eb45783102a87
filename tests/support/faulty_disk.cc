#include "tests/support/faulty_disk.h"

void FaultyDisk::FailCall(DiskOp op, int nth, int error, bool always) {
  plans_[static_cast<size_t>(op)] = Plan{nth, error, always};
}

void FaultyDisk::FailReadsOf(uint64_t offset, int error) {
  failingBytes_.push_back(FailingByte{offset, error});
}

int FaultyDisk::Fault(DiskOp op) {
  int call = ++calls_[static_cast<size_t>(op)];
  const Hook& hook = hooks_[static_cast<size_t>(op)];
  if (hook.action && call == hook.nth) hook.action();
  const Plan& plan = plans_[static_cast<size_t>(op)];
  if (plan.nth == 0) return 0;
  return call == plan.nth || (plan.always && call > plan.nth) ? plan.error : 0;
}

OpenResult FaultyDisk::OpenShared(const std::string& path) {
  int error = Fault(DiskOp::OpenShared);
  return error ? OpenResult::Failure(error) : real_.OpenShared(path);
}

OpenResult FaultyDisk::OpenForReading(const std::string& path) {
  int error = Fault(DiskOp::OpenForReading);
  return error ? OpenResult::Failure(error) : real_.OpenForReading(path);
}

OpenResult FaultyDisk::OpenExclusive(const std::string& path) {
  int error = Fault(DiskOp::OpenExclusive);
  return error ? OpenResult::Failure(error) : real_.OpenExclusive(path);
}

OpenResult FaultyDisk::CreateNew(const std::string& path) {
  int error = Fault(DiskOp::CreateNew);
  return error ? OpenResult::Failure(error) : real_.CreateNew(path);
}

int FaultyDisk::Status(File& file, FileStatus* status) {
  int error = Fault(DiskOp::Status);
  return error ? error : real_.Status(file, status);
}

int FaultyDisk::Seek(File& file, uint64_t offset) {
  int error = Fault(DiskOp::Seek);
  return error ? error : real_.Seek(file, offset);
}

ReadResult FaultyDisk::Read(File& file, void* buffer, size_t size) {
  ReadResult failed;
  failed.error = Fault(DiskOp::Read);
  return failed.error ? failed : real_.Read(file, buffer, size);
}

ReadResult FaultyDisk::ReadAt(File& file, uint64_t offset, void* buffer, size_t size) {
  ReadResult failed;
  failed.error = Fault(DiskOp::Read);
  if (failed.error) return failed;
  ReadResult real = real_.ReadAt(file, offset, buffer, size);
  if (real.error) return real;
  // Only a read that delivers the byte fails: one past the end delivers nothing.
  for (const FailingByte& failing : failingBytes_) {
    if (offset <= failing.offset && failing.offset - offset < real.count) {
      failed.error = failing.error;
      return failed;
    }
  }
  return real;
}

OpenResult FaultyDisk::OpenSequentialReader(File& file) {
  int error = Fault(DiskOp::OpenSequentialReader);
  return error ? OpenResult::Failure(error) : real_.OpenSequentialReader(file);
}

int FaultyDisk::Write(File& file, const void* buffer, size_t size) {
  int error = Fault(DiskOp::Write);
  return error ? error : real_.Write(file, buffer, size);
}

int FaultyDisk::Flush(File& file) {
  int error = Fault(DiskOp::Flush);
  return error ? error : real_.Flush(file);
}

int FaultyDisk::SetSparse(File& file) {
  int error = Fault(DiskOp::SetSparse);
  return error ? error : real_.SetSparse(file);
}

int FaultyDisk::PunchHole(File& file, uint64_t offset, uint64_t length) {
  int error = Fault(DiskOp::PunchHole);
  return error ? error : real_.PunchHole(file, offset, length);
}

int FaultyDisk::LinkNoReplace(const std::string& from, const std::string& to) {
  int error = Fault(DiskOp::LinkNoReplace);
  return error ? error : real_.LinkNoReplace(from, to);
}

int FaultyDisk::MoveNoReplace(const std::string& from, const std::string& to) {
  int error = Fault(DiskOp::MoveNoReplace);
  return error ? error : real_.MoveNoReplace(from, to);
}

int FaultyDisk::MoveReplace(const std::string& from, const std::string& to) {
  int error = Fault(DiskOp::MoveReplace);
  return error ? error : real_.MoveReplace(from, to);
}

int FaultyDisk::Remove(const std::string& path) {
  int error = Fault(DiskOp::Remove);
  return error ? error : real_.Remove(path);
}

int FaultyDisk::FlushFolder(const std::string& folder) {
  int error = Fault(DiskOp::FlushFolder);
  return error ? error : real_.FlushFolder(folder);
}
