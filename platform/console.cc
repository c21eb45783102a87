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

void AppendEscaped(std::string& out, unsigned char byte) {
  static const char kDigits[] = "0123456789abcdef";
  out += "\\x";
  out += kDigits[byte >> 4];
  out += kDigits[byte & 15];
}

// The length of the UTF-8 sequence at `at` when it is a whole, valid one
// (not a C1 control, U+0080 to U+009F), else 0.
size_t ValidSequence(std::string_view text, size_t at) {
  const unsigned char lead = static_cast<unsigned char>(text[at]);
  const size_t length = lead >= 0xF0 && lead <= 0xF4 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC2 ? 2 : 0;
  if (length == 0 || at + length > text.size()) return 0;
  for (size_t i = 1; i < length; ++i) {
    if ((static_cast<unsigned char>(text[at + i]) & 0xC0) != 0x80) return 0;
  }
  if (lead == 0xC2 && static_cast<unsigned char>(text[at + 1]) < 0xA0) return 0;
  return length;
}

}  // namespace

std::string EscapeControls(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (size_t at = 0; at < text.size();) {
    const unsigned char byte = static_cast<unsigned char>(text[at]);
    if (byte < 0x80) {
      if ((byte < 0x20 && byte != '\t' && byte != '\n') || byte == 0x7F)
        AppendEscaped(out, byte);
      else
        out += static_cast<char>(byte);
      ++at;
      continue;
    }
    if (const size_t length = ValidSequence(text, at)) {
      out.append(text.substr(at, length));
      at += length;
      continue;
    }
    // A C1 control, whole or as a stray byte that a terminal of another
    // character set takes for one; other stray bytes are its letters.
    if (byte == 0xC2 && at + 1 < text.size() && static_cast<unsigned char>(text[at + 1]) >= 0x80 &&
        static_cast<unsigned char>(text[at + 1]) <= 0x9F) {
      AppendEscaped(out, static_cast<unsigned char>(text[at + 1]));
      at += 2;
    } else {
      if (byte <= 0x9F)
        AppendEscaped(out, byte);
      else
        out += static_cast<char>(byte);
      ++at;
    }
  }
  return out;
}

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
