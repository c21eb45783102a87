#include "platform/byte_size.h"

#include <windows.h>
#include <shlwapi.h>

#include <cstdint>

#include "platform/wide_names.h"

std::string FormatByteSize(uint64_t bytes) {
  // The system's own rendering, as Explorer shows sizes. It takes a signed
  // count, so the few values beyond that are rendered here, the same way.
  if (bytes > static_cast<uint64_t>(INT64_MAX)) return FormatByteSizeText(bytes);
  // Wide, so that a unit or a decimal sign of the user's language outside
  // the ANSI code page comes out right in the tool's UTF-8.
  wchar_t text[32] = L"";
  StrFormatByteSizeW(static_cast<LONGLONG>(bytes), text, sizeof text / sizeof text[0]);
  return Utf8Name(text);
}
