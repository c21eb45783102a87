#include "platform/disk.h"

#include <windows.h>

#include "platform/sparse.h"

void File::Close() {
  if (handle_ == kNoHandle) return;
  CloseHandle(reinterpret_cast<HANDLE>(handle_));
  handle_ = kNoHandle;
}

namespace {

HANDLE Handle(File& file) { return reinterpret_cast<HANDLE>(file.handle()); }

int LastError() { return static_cast<int>(GetLastError()); }

OpenResult Open(const std::string& path, DWORD access, DWORD share, DWORD disposition) {
  OpenResult result;
  HANDLE handle = CreateFileA(path.c_str(), access, share, nullptr, disposition,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
  if (handle == INVALID_HANDLE_VALUE)
    result.error = LastError();
  else
    result.file = File(reinterpret_cast<NativeHandle>(handle));
  return result;
}

// Reads and writes go in pieces that a DWORD count can carry.
constexpr size_t kMaxPiece = 1u << 30;

class Win32Disk : public Disk {
 public:
  OpenResult OpenShared(const std::string& path) override {
    return Open(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, OPEN_EXISTING);
  }

  OpenResult OpenForReading(const std::string& path) override {
    return Open(path, GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING);
  }

  OpenResult OpenExclusive(const std::string& path) override {
    return Open(path, GENERIC_READ | GENERIC_WRITE, 0, OPEN_EXISTING);
  }

  OpenResult CreateNew(const std::string& path) override {
    return Open(path, GENERIC_WRITE, 0, CREATE_NEW);
  }

  int FileSize(File& file, uint64_t* size) override {
    LARGE_INTEGER value;
    if (!GetFileSizeEx(Handle(file), &value)) return LastError();
    *size = static_cast<uint64_t>(value.QuadPart);
    return 0;
  }

  int Seek(File& file, uint64_t offset) override {
    if (offset > static_cast<uint64_t>(INT64_MAX)) return ERROR_NEGATIVE_SEEK;
    LARGE_INTEGER distance;
    distance.QuadPart = static_cast<LONGLONG>(offset);
    return SetFilePointerEx(Handle(file), distance, nullptr, FILE_BEGIN) ? 0 : LastError();
  }

  ReadResult Read(File& file, void* buffer, size_t size) override {
    ReadResult result;
    DWORD got = 0;
    DWORD asked = static_cast<DWORD>(size < kMaxPiece ? size : kMaxPiece);
    if (!ReadFile(Handle(file), buffer, asked, &got, nullptr))
      result.error = LastError();
    else
      result.count = got;
    return result;
  }

  int Write(File& file, const void* buffer, size_t size) override {
    const char* next = static_cast<const char*>(buffer);
    while (size > 0) {
      DWORD put = 0;
      DWORD asked = static_cast<DWORD>(size < kMaxPiece ? size : kMaxPiece);
      if (!WriteFile(Handle(file), next, asked, &put, nullptr)) return LastError();
      if (put == 0) return ERROR_WRITE_FAULT;
      next += put;
      size -= put;
    }
    return 0;
  }

  int Flush(File& file) override { return FlushFileBuffers(Handle(file)) ? 0 : LastError(); }

  int SetSparse(File& file) override { return MarkFileSparse(file.handle()); }

  int ZeroRange(File& file, uint64_t offset, uint64_t length) override {
    return ReleaseFileRange(file.handle(), offset, length);
  }

  int LinkNoReplace(const std::string& from, const std::string& to) override {
    return CreateHardLinkA(to.c_str(), from.c_str(), nullptr) ? 0 : LastError();
  }

  int MoveNoReplace(const std::string& from, const std::string& to) override {
    return MoveFileExA(from.c_str(), to.c_str(), MOVEFILE_WRITE_THROUGH) ? 0 : LastError();
  }

  int MoveReplace(const std::string& from, const std::string& to) override {
    return MoveFileExA(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)
               ? 0
               : LastError();
  }

  int Remove(const std::string& path) override {
    return DeleteFileA(path.c_str()) ? 0 : LastError();
  }

  int FlushFolder(const std::string&) override {
    // A folder cannot be flushed on Windows; MOVEFILE_WRITE_THROUGH has
    // already made the rename durable before it returned.
    return 0;
  }
};

}  // namespace

Disk& SystemDisk() {
  static Win32Disk disk;
  return disk;
}

bool IsAlreadyExists(int error) { return error == ERROR_ALREADY_EXISTS || error == ERROR_FILE_EXISTS; }

bool IsLinkUnsupported(int error) {
  return error == ERROR_INVALID_FUNCTION || error == ERROR_NOT_SUPPORTED ||
         error == ERROR_NOT_SAME_DEVICE || error == ERROR_TOO_MANY_LINKS ||
         error == ERROR_ACCESS_DENIED;
}
