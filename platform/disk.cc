#include "platform/disk.h"

void File::Close() {
  if (handle_ == kNoHandle) return;
  if (closer_)
    closer_->ReleaseHandle(handle_);
  else
    CloseNativeHandle(handle_);
  handle_ = kNoHandle;
}

int FileSize(FileIo& io, File& file, uint64_t* size) {
  FileStatus status;
  if (int error = io.Status(file, &status)) return error;
  *size = status.size;
  return 0;
}

int Identify(FileIo& io, File& file, FileIdentity* identity) {
  FileStatus status;
  if (int error = io.Status(file, &status)) return error;
  *identity = status.identity;
  return 0;
}

int ReadTimes(FileIo& io, File& file, FileTimes* times) {
  FileStatus status;
  if (int error = io.Status(file, &status)) return error;
  times->access = status.accessed;
  times->modify = status.modified;
  return 0;
}

int IdentifyPath(FileSystem& files, const std::string& path, FileIdentity* identity) {
  FileStatus status;
  if (int error = files.StatusOf(path, &status)) return error;
  *identity = status.identity;
  return 0;
}
