#include "platform/sparse.h"

#include <windows.h>
#include <winioctl.h>

int MarkFileSparse(NativeHandle file) {
  DWORD returned = 0;
  if (!DeviceIoControl(reinterpret_cast<HANDLE>(file), FSCTL_SET_SPARSE, nullptr, 0, nullptr, 0,
                       &returned, nullptr))
    return static_cast<int>(GetLastError());
  return 0;
}

int ReleaseFileRange(NativeHandle file, uint64_t offset, uint64_t length) {
  FILE_ZERO_DATA_INFORMATION range;
  range.FileOffset.QuadPart = static_cast<LONGLONG>(offset);
  range.BeyondFinalZero.QuadPart = static_cast<LONGLONG>(offset + length);
  DWORD returned = 0;
  if (!DeviceIoControl(reinterpret_cast<HANDLE>(file), FSCTL_SET_ZERO_DATA, &range, sizeof range,
                       nullptr, 0, &returned, nullptr))
    return static_cast<int>(GetLastError());
  return 0;
}
