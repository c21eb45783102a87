#include "platform/byte_size.h"

#include <windows.h>
#include <shlwapi.h>

#include <cstdint>

std::string FormatByteSize(uint64_t bytes) {
  // The system's own rendering, as Explorer shows sizes. It takes a signed
  // count, so the few values beyond that are rendered here, the same way.
  if (bytes > static_cast<uint64_t>(INT64_MAX)) return FormatByteSizeText(bytes);
  char text[32] = "";
  StrFormatByteSize64A(static_cast<LONGLONG>(bytes), text, sizeof text);
  return text;
}
