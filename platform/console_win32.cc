#include "platform/console.h"

#include <conio.h>
#include <windows.h>

#include <cstdio>

namespace {

class Win32Console : public Console {
 public:
  void Write(std::string_view text) override {
    // Standard output in text mode: each "\n" goes out as "\r\n".
    std::fwrite(text.data(), 1, text.size(), stdout);
    std::fflush(stdout);
  }

  bool MarkCursor() override {
    CONSOLE_SCREEN_BUFFER_INFO info;
    if (!GetConsoleScreenBufferInfo(GetStdHandle(STD_OUTPUT_HANDLE), &info)) return false;
    mark_ = info.dwCursorPosition;
    return true;
  }

  void RedrawFromMark() override {
    SetConsoleCursorPosition(GetStdHandle(STD_OUTPUT_HANDLE), mark_);
  }

  void WaitForKey() override {
    // Only a person at a console can press a key (one, without Enter).
    // Input from a pipe or a file belongs to whoever runs the tool: not a
    // byte of it is taken, and nothing waits for it.
    DWORD mode;
    if (GetConsoleMode(GetStdHandle(STD_INPUT_HANDLE), &mode)) _getch();
  }

 private:
  COORD mark_{};
};

}  // namespace

Console& SystemConsole() {
  static Win32Console console;
  return console;
}

// Code page 437's full block and medium shade.
const char kBarDownloaded[] = "\xDB";
const char kBarGap[] = "\xB1";

const char kConsoleLineEnd[] = "\r\n";
