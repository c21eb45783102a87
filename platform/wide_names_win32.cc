#include "platform/wide_names.h"

#include <windows.h>

namespace {

// The conversion from `codePage`, or false where `flags` make it refuse the text.
bool Widen(UINT codePage, DWORD flags, const std::string& text, std::wstring* wide) {
  const int size = static_cast<int>(text.size());
  const int length = MultiByteToWideChar(codePage, flags, text.data(), size, nullptr, 0);
  if (length <= 0) return false;
  wide->resize(static_cast<size_t>(length));
  return MultiByteToWideChar(codePage, flags, text.data(), size, &(*wide)[0], length) == length;
}

}  // namespace

std::wstring WideName(const std::string& text) {
  std::wstring wide;
  if (text.empty()) return wide;
  if (Widen(CP_UTF8, MB_ERR_INVALID_CHARS, text, &wide)) return wide;
  Widen(CP_ACP, 0, text, &wide);
  return wide;
}

std::string Utf8Name(const std::wstring& wide) {
  std::string text;
  if (wide.empty()) return text;
  const int size = static_cast<int>(wide.size());
  const int length = WideCharToMultiByte(CP_UTF8, 0, wide.data(), size, nullptr, 0, nullptr, nullptr);
  if (length <= 0) return text;
  text.resize(static_cast<size_t>(length));
  WideCharToMultiByte(CP_UTF8, 0, wide.data(), size, &text[0], length, nullptr, nullptr);
  return text;
}
