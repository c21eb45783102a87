#include "platform/console.h"

#include <cstdarg>
#include <cstdio>
#include <cstdlib>

namespace {

std::string FormatList(const char* format, va_list args) {
  char small[256];
  va_list again;
  va_copy(again, args);
  int length = std::vsnprintf(small, sizeof small, format, args);
  std::string text;
  if (length < 0) {
    va_end(again);
    return text;
  }
  if (static_cast<size_t>(length) < sizeof small) {
    text.assign(small, static_cast<size_t>(length));
  } else {
    text.resize(static_cast<size_t>(length) + 1);
    std::vsnprintf(&text[0], text.size(), format, again);
    text.resize(static_cast<size_t>(length));
  }
  va_end(again);
  return text;
}

}  // namespace

void Print(Console& console, const char* format, ...) {
  va_list args;
  va_start(args, format);
  std::string text = FormatList(format, args);
  va_end(args);
  console.Write(text);
}

std::string Format(const char* format, ...) {
  va_list args;
  va_start(args, format);
  std::string text = FormatList(format, args);
  va_end(args);
  return text;
}

void ExitOutOfMemory() {
  // Nothing here may allocate: the heap is what ran out.
  std::fputs("Error: out of memory\n", stdout);
  std::fflush(stdout);
  std::_Exit(1);
}

// U+2588 and U+2592 in UTF-8.
const char kBarDownloaded[] = "\xE2\x96\x88";
const char kBarGap[] = "\xE2\x96\x92";
