#include "met/client_text.h"

#include <cstdint>

namespace {

constexpr char kUtf8Mark[] = "\xEF\xBB\xBF";

// Appends one code point in UTF-8.
void PutUtf8(std::string& out, uint32_t point) {
  if (point < 0x80) {
    out += char(point);
  } else if (point < 0x800) {
    out += char(0xC0 | point >> 6);
    out += char(0x80 | (point & 0x3F));
  } else if (point < 0x10000) {
    out += char(0xE0 | point >> 12);
    out += char(0x80 | (point >> 6 & 0x3F));
    out += char(0x80 | (point & 0x3F));
  } else {
    out += char(0xF0 | point >> 18);
    out += char(0x80 | (point >> 12 & 0x3F));
    out += char(0x80 | (point >> 6 & 0x3F));
    out += char(0x80 | (point & 0x3F));
  }
}

std::optional<std::string> FromUtf16Le(const std::string& bytes, size_t from) {
  if ((bytes.size() - from) % 2) return std::nullopt;
  std::string text;
  for (size_t i = from; i < bytes.size(); i += 2) {
    uint32_t unit = uint8_t(bytes[i]) | uint32_t(uint8_t(bytes[i + 1])) << 8;
    if (unit >= 0xDC00 && unit < 0xE000) return std::nullopt;
    if (unit >= 0xD800 && unit < 0xDC00) {
      if (i + 3 >= bytes.size()) return std::nullopt;
      uint32_t low = uint8_t(bytes[i + 2]) | uint32_t(uint8_t(bytes[i + 3])) << 8;
      if (low < 0xDC00 || low >= 0xE000) return std::nullopt;
      unit = 0x10000 + ((unit - 0xD800) << 10) + (low - 0xDC00);
      i += 2;
    }
    PutUtf8(text, unit);
  }
  return text;
}

}  // namespace

std::string Latin1ToUtf8(const std::string& bytes) {
  std::string text;
  for (char c : bytes) PutUtf8(text, uint8_t(c));
  return text;
}

std::string WithoutUtf8Mark(const std::string& text, bool* hadMark) {
  const bool marked = text.compare(0, 3, kUtf8Mark) == 0;
  if (hadMark) *hadMark = marked;
  return marked ? text.substr(3) : text;
}

bool IsUtf8(const std::string& bytes) {
  for (size_t i = 0; i < bytes.size();) {
    const uint8_t lead = uint8_t(bytes[i]);
    // The bytes that follow the lead; 4 for a byte that leads nothing.
    const size_t more = lead < 0x80                  ? 0
                        : lead >= 0xC2 && lead < 0xE0 ? 1
                        : lead >= 0xE0 && lead < 0xF0 ? 2
                        : lead >= 0xF0 && lead < 0xF5 ? 3
                                                      : 4;
    if (more == 4 || bytes.size() - i <= more) return false;
    uint32_t point = lead & (0x7F >> (more ? more + 1 : 0));
    for (size_t k = 1; k <= more; ++k) {
      const uint8_t next = uint8_t(bytes[i + k]);
      if ((next & 0xC0) != 0x80) return false;
      point = point << 6 | (next & 0x3F);
    }
    // No overlong forms, surrogates or points past U+10FFFF.
    if ((more == 2 && point < 0x800) || (more == 3 && (point < 0x10000 || point > 0x10FFFF)) ||
        (point >= 0xD800 && point < 0xE000))
      return false;
    i += more + 1;
  }
  return true;
}

std::optional<std::string> DecodeClientText(const std::string& bytes) {
  if (bytes.compare(0, 2, "\xFF\xFE") == 0) return FromUtf16Le(bytes, 2);
  const std::string text = WithoutUtf8Mark(bytes);
  return IsUtf8(text) ? text : Latin1ToUtf8(text);
}

std::optional<std::string> FromUniversalForm(const std::string& text) {
  std::string bytes;
  for (size_t i = 0; i < text.size(); ++i) {
    const uint8_t lead = uint8_t(text[i]);
    if (lead < 0x80) {
      bytes += char(lead);
      continue;
    }
    // U+0080 to U+00FF take the two leads C2 and C3.
    if ((lead != 0xC2 && lead != 0xC3) || i + 1 == text.size() ||
        (uint8_t(text[i + 1]) & 0xC0) != 0x80)
      return std::nullopt;
    bytes += char((lead & 3) << 6 | (uint8_t(text[++i]) & 0x3F));
  }
  return bytes;
}
