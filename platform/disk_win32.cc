#include "platform/disk.h"

#include <windows.h>
#include <winioctl.h>

#include <algorithm>
#include <string>
#include <vector>

#include "platform/interrupt.h"
#include "platform/wide_names.h"

void CloseNativeHandle(NativeHandle handle) { CloseHandle(reinterpret_cast<HANDLE>(handle)); }

namespace {

HANDLE Handle(File& file) { return reinterpret_cast<HANDLE>(file.handle()); }

int LastError() { return static_cast<int>(GetLastError()); }

OpenResult Open(const std::string& path, DWORD access, DWORD share, DWORD disposition) {
  OpenResult result;
  HANDLE handle = CreateFileW(WideName(path).c_str(), access, share, nullptr, disposition,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
  if (handle == INVALID_HANDLE_VALUE) {
    result.error = LastError();
    return result;
  }
  result.file = File(reinterpret_cast<NativeHandle>(handle));
  result.finalPath = path;
  // A pipe, a console or a device is no download's file.
  if (disposition == OPEN_EXISTING && GetFileType(handle) != FILE_TYPE_DISK)
    return OpenResult::Refused(OpenRefusal::NotRegularFile);
  return result;
}

FileIdentity IdentityOf(const BY_HANDLE_FILE_INFORMATION& info) {
  return FileIdentity{info.dwVolumeSerialNumber,
                      uint64_t(info.nFileIndexHigh) << 32 | info.nFileIndexLow};
}

FileStatus StatusFrom(const BY_HANDLE_FILE_INFORMATION& info) {
  FileStatus status;
  status.identity = IdentityOf(info);
  status.size = uint64_t(info.nFileSizeHigh) << 32 | info.nFileSizeLow;
  status.links = info.nNumberOfLinks;
  status.modified = static_cast<int64_t>(uint64_t(info.ftLastWriteTime.dwHighDateTime) << 32 |
                                         info.ftLastWriteTime.dwLowDateTime);
  status.accessed = static_cast<int64_t>(uint64_t(info.ftLastAccessTime.dwHighDateTime) << 32 |
                                         info.ftLastAccessTime.dwLowDateTime);
  return status;
}

// Reads and writes go in pieces that a DWORD count can carry.
constexpr size_t kMaxPiece = 1u << 30;

// The volume that holds the open file, as "\\?\Volume{GUID}" without the
// backslash after it (with one, CreateFile would open its root folder).
std::wstring VolumeOf(HANDLE file) {
  std::wstring path(MAX_PATH, L'\0');
  for (;;) {
    DWORD length = GetFinalPathNameByHandleW(file, &path[0], static_cast<DWORD>(path.size()),
                                             VOLUME_NAME_GUID);
    if (length == 0) return std::wstring();
    if (length < path.size()) {
      path.resize(length);
      break;
    }
    path.resize(length + 1);
  }
  const size_t end = path.find(L'\\', 4);  // past the "\\?\" prefix
  return end == std::wstring::npos ? std::wstring() : path.substr(0, end);
}

// What the device under the volume says about seeks, where it says anything.
SeekCost SeekPenaltyOf(const std::wstring& volumePath) {
  HANDLE volume = CreateFileW(volumePath.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                              OPEN_EXISTING, 0, nullptr);
  if (volume == INVALID_HANDLE_VALUE) return SeekCost::Unknown;
  STORAGE_PROPERTY_QUERY query = {};
  query.PropertyId = StorageDeviceSeekPenaltyProperty;
  query.QueryType = PropertyStandardQuery;
  DEVICE_SEEK_PENALTY_DESCRIPTOR answer = {};
  DWORD returned = 0;
  const BOOL asked = DeviceIoControl(volume, IOCTL_STORAGE_QUERY_PROPERTY, &query, sizeof query,
                                     &answer, sizeof answer, &returned, nullptr);
  CloseHandle(volume);
  if (!asked || returned < sizeof answer) return SeekCost::Unknown;
  return answer.IncursSeekPenalty ? SeekCost::Seeks : SeekCost::None;
}

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
    // Shared for deletion only, so that an interrupt can remove it while open.
    return Open(path, GENERIC_WRITE, FILE_SHARE_DELETE, CREATE_NEW);
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

  ReadResult ReadAt(File& file, uint64_t offset, void* buffer, size_t size) override {
    ReadResult result;
    OVERLAPPED at = {};
    at.Offset = static_cast<DWORD>(offset);
    at.OffsetHigh = static_cast<DWORD>(offset >> 32);
    DWORD got = 0;
    DWORD asked = static_cast<DWORD>(size < kMaxPiece ? size : kMaxPiece);
    if (ReadFile(Handle(file), buffer, asked, &got, &at)) {
      result.count = got;
    } else if (GetLastError() != ERROR_HANDLE_EOF) {  // at or past the end: nothing to read
      result.error = LastError();
    }
    return result;
  }

  OpenResult OpenSequentialReader(File& file) override {
    // The handle it was opened with keeps writers out; this one needs to
    // share writing to be allowed beside a handle of OpenShared.
    HANDLE handle = ReOpenFile(Handle(file), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                               FILE_FLAG_SEQUENTIAL_SCAN);
    if (handle == INVALID_HANDLE_VALUE) return OpenResult::Failure(LastError());
    OpenResult result;
    result.file = File(reinterpret_cast<NativeHandle>(handle));
    return result;
  }

  void Prefetch(File& file, uint64_t offset, uint64_t length) override {
    // Windows has no call to fill its cache: read the range front to back
    // through the cache into a scratch buffer.
    std::vector<uint8_t> scratch(1 << 20);
    while (length > 0) {
      const size_t asked = static_cast<size_t>(std::min<uint64_t>(length, scratch.size()));
      const ReadResult got = ReadAt(file, offset, scratch.data(), asked);
      if (got.error || got.count == 0) return;
      offset += got.count;
      length -= got.count;
    }
  }

  SeekCost SeekCostOf(File& file) override {
    const std::wstring volume = VolumeOf(Handle(file));
    return volume.empty() ? SeekCost::Unknown : SeekPenaltyOf(volume);
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

  int SetSparse(File& file) override {
    DWORD returned = 0;
    if (!DeviceIoControl(Handle(file), FSCTL_SET_SPARSE, nullptr, 0, nullptr, 0, &returned,
                         nullptr))
      return LastError();
    return 0;
  }

  // Zeroing a range of a sparse file gives its clusters back.
  int PunchHole(File& file, uint64_t offset, uint64_t length) override {
    FILE_ZERO_DATA_INFORMATION range;
    range.FileOffset.QuadPart = static_cast<LONGLONG>(offset);
    range.BeyondFinalZero.QuadPart = static_cast<LONGLONG>(offset + length);
    DWORD returned = 0;
    if (!DeviceIoControl(Handle(file), FSCTL_SET_ZERO_DATA, &range, sizeof range, nullptr, 0,
                         &returned, nullptr))
      return LastError();
    return 0;
  }

  int DataRanges(File& file, uint64_t start, uint64_t end,
                 std::vector<ByteRange>* ranges) override {
    ranges->clear();
    FILE_ALLOCATED_RANGE_BUFFER query;
    query.FileOffset.QuadPart = static_cast<LONGLONG>(start);
    query.Length.QuadPart = static_cast<LONGLONG>(end - start);
    FILE_ALLOCATED_RANGE_BUFFER found[64];
    for (;;) {
      DWORD returned = 0;
      BOOL done = DeviceIoControl(Handle(file), FSCTL_QUERY_ALLOCATED_RANGES, &query,
                                  sizeof query, found, sizeof found, &returned, nullptr);
      if (!done && GetLastError() != ERROR_MORE_DATA) {
        // A file system that cannot tell: all of it may hold data.
        ranges->assign(1, ByteRange{start, end});
        return 0;
      }
      DWORD count = returned / sizeof found[0];
      for (DWORD i = 0; i < count; ++i) {
        uint64_t from = std::max<uint64_t>(found[i].FileOffset.QuadPart, start);
        uint64_t to = std::min<uint64_t>(found[i].FileOffset.QuadPart + found[i].Length.QuadPart, end);
        if (from < to) ranges->push_back(ByteRange{from, to});
      }
      if (done || count == 0) return 0;
      const FILE_ALLOCATED_RANGE_BUFFER& last = found[count - 1];
      const uint64_t next = last.FileOffset.QuadPart + last.Length.QuadPart;
      if (next >= end) return 0;
      query.FileOffset.QuadPart = static_cast<LONGLONG>(next);
      query.Length.QuadPart = static_cast<LONGLONG>(end - next);
    }
  }

  // An open that shares nothing keeps every other program out by itself.
  int ConfirmExclusive(File&) override { return 0; }

  int CheckNotInUse(const std::string& path) override {
    HANDLE handle = CreateFileW(WideName(path).c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE) return LastError();
    CloseHandle(handle);
    return 0;
  }


  int RestoreTimes(File& file, const FileTimes& times) override {
    FILETIME access{static_cast<DWORD>(times.access), static_cast<DWORD>(uint64_t(times.access) >> 32)};
    FILETIME modify{static_cast<DWORD>(times.modify), static_cast<DWORD>(uint64_t(times.modify) >> 32)};
    return SetFileTime(Handle(file), nullptr, &access, &modify) ? 0 : LastError();
  }

  int FolderEntries(const std::string& folder, std::vector<std::string>* names) override {
    const std::wstring wide = WideName(folder);
    DWORD attributes = GetFileAttributesW(wide.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) return LastError();
    if (!(attributes & FILE_ATTRIBUTE_DIRECTORY)) return ERROR_DIRECTORY;
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW((wide + L"\\*").c_str(), &found);
    names->clear();
    if (search == INVALID_HANDLE_VALUE) return 0;
    do {
      const std::string name = Utf8Name(found.cFileName);
      if (name != "." && name != "..") names->push_back(name);
    } while (FindNextFileW(search, &found));
    FindClose(search);
    return 0;
  }



  int Status(File& file, FileStatus* status) override {
    BY_HANDLE_FILE_INFORMATION info;
    if (!GetFileInformationByHandle(Handle(file), &info)) return LastError();
    *status = StatusFrom(info);
    return 0;
  }

  int StatusOf(const std::string& path, FileStatus* status) override {
    HANDLE handle = CreateFileW(WideName(path).c_str(), 0,
                                FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (handle == INVALID_HANDLE_VALUE) return LastError();
    BY_HANDLE_FILE_INFORMATION info;
    int error = GetFileInformationByHandle(handle, &info) ? 0 : LastError();
    CloseHandle(handle);
    if (!error) *status = StatusFrom(info);
    return error;
  }

  // Links on Windows need a privilege to make; the system follows them.
  PathResult ResolveLinks(const std::string& path) override {
    PathResult result;
    result.path = path;
    return result;
  }

  int LinkNoReplace(const std::string& from, const std::string& to) override {
    return CreateHardLinkW(WideName(to).c_str(), WideName(from).c_str(), nullptr) ? 0 : LastError();
  }

  int MoveNoReplace(const std::string& from, const std::string& to) override {
    return MoveFileExW(WideName(from).c_str(), WideName(to).c_str(), MOVEFILE_WRITE_THROUGH)
               ? 0
               : LastError();
  }

  int MoveReplace(const std::string& from, const std::string& to) override {
    return MoveFileExW(WideName(from).c_str(), WideName(to).c_str(),
                       MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)
               ? 0
               : LastError();
  }



  int Remove(const std::string& path) override {
    return DeleteFileW(WideName(path).c_str()) ? 0 : LastError();
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

bool IsBusy(int error) {
  return error == ERROR_SHARING_VIOLATION || error == ERROR_LOCK_VIOLATION;
}

bool IsAlreadyExists(int error) { return error == ERROR_ALREADY_EXISTS || error == ERROR_FILE_EXISTS; }

bool IsLinkUnsupported(int error) {
  return error == ERROR_INVALID_FUNCTION || error == ERROR_NOT_SUPPORTED ||
         error == ERROR_NOT_SAME_DEVICE || error == ERROR_TOO_MANY_LINKS ||
         error == ERROR_ACCESS_DENIED;
}

int64_t ModifiedUnixSeconds(const FileTimes& times) {
  // 100-nanosecond steps since 1601; 11,644,473,600 seconds lie before 1970.
  return times.modify / 10000000 - 11644473600LL;
}
