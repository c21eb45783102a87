#include "sample/file_time.h"

#include <windows.h>

#include <filesystem>

namespace {

// FILETIME counts 100-nanosecond steps from 1601; Unix time seconds from 1970.
constexpr int64_t kSecondsFrom1601To1970 = 11644473600;
constexpr int64_t kStepsPerSecond = 10000000;

}  // namespace

int SetModificationTime(const std::string& path, int64_t unixSeconds) {
  HANDLE file = CreateFileW(std::filesystem::u8path(path).c_str(), FILE_WRITE_ATTRIBUTES,
                            FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                            OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return static_cast<int>(GetLastError());
  const uint64_t steps =
      static_cast<uint64_t>(unixSeconds + kSecondsFrom1601To1970) * kStepsPerSecond;
  FILETIME time;
  time.dwLowDateTime = static_cast<DWORD>(steps);
  time.dwHighDateTime = static_cast<DWORD>(steps >> 32);
  // The creation and access times stay as they are.
  int error = SetFileTime(file, nullptr, nullptr, &time) ? 0 : static_cast<int>(GetLastError());
  CloseHandle(file);
  return error;
}

std::optional<int64_t> ModificationTime(const std::string& path) {
  WIN32_FILE_ATTRIBUTE_DATA data;
  if (!GetFileAttributesExW(std::filesystem::u8path(path).c_str(), GetFileExInfoStandard, &data))
    return std::nullopt;
  const uint64_t steps = uint64_t(data.ftLastWriteTime.dwHighDateTime) << 32 |
                         data.ftLastWriteTime.dwLowDateTime;
  return static_cast<int64_t>(steps / kStepsPerSecond) - kSecondsFrom1601To1970;
}

std::optional<std::pair<int64_t, int64_t>> AccessAndModificationTimes(const std::string& path) {
  WIN32_FILE_ATTRIBUTE_DATA data;
  if (!GetFileAttributesExW(std::filesystem::u8path(path).c_str(), GetFileExInfoStandard, &data))
    return std::nullopt;
  auto steps = [](const FILETIME& time) {
    return static_cast<int64_t>(uint64_t(time.dwHighDateTime) << 32 | time.dwLowDateTime);
  };
  return std::make_pair(steps(data.ftLastAccessTime), steps(data.ftLastWriteTime));
}
