#include "platform/console.h"

#include <conio.h>
#include <windows.h>

#include <cstdio>
#include <string>

#include "platform/wide_names.h"

namespace {

// The gap bar's cells as the tool's text has them (UTF-8), and as the bytes
// of code page 437 that a file or a pipe has always been given for them.
struct BarCell {
  std::string_view text;
  char oem;
};
constexpr BarCell kBarCells[] = {{"\xE2\x96\x88", '\xDB'}, {"\xE2\x96\x92", '\xB1'}};

// The text for a file or a pipe: UTF-8, but for the gap bar's two cells,
// whose readers expect the single bytes of before.
std::string FileBytes(std::string_view text) {
  std::string bytes;
  bytes.reserve(text.size());
  for (size_t at = 0; at < text.size();) {
    bool cell = false;
    for (const BarCell& bar : kBarCells) {
      if (text.substr(at, bar.text.size()) == bar.text) {
        bytes += bar.oem;
        at += bar.text.size();
        cell = true;
        break;
      }
    }
    if (!cell) bytes += text[at++];
  }
  return bytes;
}

class Win32Console : public Console {
 public:
  Win32Console() {
    DWORD mode;
    output_ = GetStdHandle(STD_OUTPUT_HANDLE);
    onConsole_ = GetConsoleMode(output_, &mode) != 0;
  }

  void Write(std::string_view raw) override {
    const std::string text = EscapeControls(raw);
    if (onConsole_) {
      WriteToConsole(text);
      return;
    }
    // Standard output in text mode: each "\n" goes out as "\r\n".
    const std::string bytes = FileBytes(text);
    std::fwrite(bytes.data(), 1, bytes.size(), stdout);
    std::fflush(stdout);
  }

  bool MarkCursor() override {
    CONSOLE_SCREEN_BUFFER_INFO info;
    if (!GetConsoleScreenBufferInfo(output_, &info)) return false;
    mark_ = info.dwCursorPosition;
    return true;
  }

  void RedrawFromMark() override {
    SetConsoleCursorPosition(output_, mark_);
  }

  void WaitForKey() override {
    // Only a person at a console can press a key (one, without Enter).
    // Input from a pipe or a file belongs to whoever runs the tool: not a
    // byte of it is taken, and nothing waits for it.
    if (CanWaitForKey()) _getch();
  }

  bool CanWaitForKey() override {
    DWORD mode;
    return GetConsoleMode(GetStdHandle(STD_INPUT_HANDLE), &mode) != 0;
  }

 private:
  // In UTF-16, which shows every name and the bar's blocks whatever the
  // console's code page, and leaves that code page as the user had it.
  void WriteToConsole(std::string_view text) {
    std::string lines;
    for (char c : text) {
      if (c == '\n') lines += '\r';
      lines += c;
    }
    const std::wstring wide = WideName(lines);
    for (size_t done = 0; done < wide.size();) {
      DWORD put = 0;
      if (!WriteConsoleW(output_, wide.data() + done, static_cast<DWORD>(wide.size() - done), &put,
                         nullptr) ||
          put == 0)
        return;
      done += put;
    }
  }

  HANDLE output_ = INVALID_HANDLE_VALUE;
  bool onConsole_ = false;
  COORD mark_{};
};

}  // namespace

Console& SystemConsole() {
  static Win32Console console;
  return console;
}

const char kConsoleLineEnd[] = "\r\n";
