#include "tests/support/platform_traits.h"

#include <windows.h>
#include <winioctl.h>

const char kNullDevice[] = "NUL";
const char kFullBlockGlyph[] = "\xDB";
const char kShadeGlyph[] = "\xB1";
const bool kSystemOffersMd4 = true;
const bool kProgramExpandsWildcards = true;
const char kReportValidator[] = "";

bool ReleaseRange(const std::string& path, uint64_t offset, uint64_t length) {
  HANDLE file = CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  DWORD returned = 0;
  FILE_ZERO_DATA_INFORMATION range;
  range.FileOffset.QuadPart = static_cast<LONGLONG>(offset);
  range.BeyondFinalZero.QuadPart = static_cast<LONGLONG>(offset + length);
  const bool released =
      DeviceIoControl(file, FSCTL_SET_SPARSE, nullptr, 0, nullptr, 0, &returned, nullptr) &&
      DeviceIoControl(file, FSCTL_SET_ZERO_DATA, &range, sizeof range, nullptr, 0, &returned,
                      nullptr);
  CloseHandle(file);
  return released;
}
