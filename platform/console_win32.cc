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
    DWORD mode;
    // A console gives one key press without Enter; otherwise one character
    // of input, and the end of input ends the wait.
    if (GetConsoleMode(GetStdHandle(STD_INPUT_HANDLE), &mode))
      _getch();
    else
      std::getchar();
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
