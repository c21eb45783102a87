#include "platform/console.h"

#include <termios.h>
#include <unistd.h>

#include <cstdio>

namespace {

class PosixConsole : public Console {
 public:
  void Write(std::string_view text) override { WriteRaw(EscapeControls(text)); }

  bool MarkCursor() override {
    if (!isatty(STDOUT_FILENO)) return false;
    WriteRaw("\0337");  // the terminal remembers the cursor position
    return true;
  }

  void RedrawFromMark() override {
    if (isatty(STDOUT_FILENO)) WriteRaw("\0338");
  }

  bool CanWaitForKey() override {
    termios state;
    return isatty(STDIN_FILENO) && tcgetattr(STDIN_FILENO, &state) == 0;
  }

  void WaitForKey() override {
    // Only a person at a terminal can press a key. Input from a pipe or a
    // file belongs to whoever runs the tool (a script's list of downloads,
    // say): not a byte of it is taken, and nothing waits for it.
    char key;
    termios saved;
    if (!CanWaitForKey() || tcgetattr(STDIN_FILENO, &saved) != 0) return;
    // One key without Enter and without echo; the terminal is restored after.
    termios raw = saved;
    raw.c_lflag &= static_cast<tcflag_t>(~(ICANON | ECHO));
    raw.c_cc[VMIN] = 1;
    raw.c_cc[VTIME] = 0;
    tcsetattr(STDIN_FILENO, TCSANOW, &raw);
    (void)!read(STDIN_FILENO, &key, 1);
    tcsetattr(STDIN_FILENO, TCSANOW, &saved);
  }

 private:
  static void WriteRaw(std::string_view text) {
    std::fwrite(text.data(), 1, text.size(), stdout);
    std::fflush(stdout);
  }
};

}  // namespace

Console& SystemConsole() {
  static PosixConsole console;
  return console;
}

const char kConsoleLineEnd[] = "\n";
