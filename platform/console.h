// Standard output and the keyboard, behind one interface so that tests can
// read what a run printed.
#pragma once

#include <string>
#include <string_view>

/// Where the tool's messages go.
class Console {
 public:
  virtual ~Console() = default;

  /// Writes text (UTF-8) to standard output; it is out before the call
  /// returns, so that an in-place redraw and an abrupt end lose nothing.
  virtual void Write(std::string_view text) = 0;
  /// Remembers the cursor position for RedrawFromMark; false where output is
  /// no terminal, and then RedrawFromMark does nothing.
  virtual bool MarkCursor() = 0;
  /// Moves the cursor back to the remembered position, so that the next
  /// text overwrites what was written since.
  virtual void RedrawFromMark() = 0;
  /// Waits for one key press where standard input is a terminal (a
  /// console); otherwise returns at once and reads nothing.
  virtual void WaitForKey() = 0;
  /// True when WaitForKey would wait: a "press any key" is said only then.
  virtual bool CanWaitForKey() { return false; }
};

/// A console that takes nothing in, for work whose messages nobody needs.
class SilentConsole : public Console {
 public:
  void Write(std::string_view) override {}
  bool MarkCursor() override { return false; }
  void RedrawFromMark() override {}
  void WaitForKey() override {}
};

/// A console that keeps what is written, to be shown later or not at all.
class BufferConsole : public Console {
 public:
  void Write(std::string_view text) override { text_.append(text); }
  bool MarkCursor() override { return false; }
  void RedrawFromMark() override {}
  void WaitForKey() override {}
  const std::string& text() const { return text_; }

 private:
  std::string text_;
};

/// The process's own console.
Console& SystemConsole();

/// The text with every control character but tab and line end, and every C1
/// control, shown as \xNN: the tool's own texts hold none, so any there are
/// a name's (a file name, a name tag), and printed raw they would drive the
/// terminal.
std::string EscapeControls(std::string_view text);

/// Formats like printf and writes the result.
void Print(Console& console, const char* format, ...)
#if defined(__GNUC__)
    __attribute__((format(printf, 2, 3)))
#endif
    ;

/// Formats like printf into a string.
std::string Format(const char* format, ...)
#if defined(__GNUC__)
    __attribute__((format(printf, 1, 2)))
#endif
    ;

/// Ends the run at once with "Error: out of memory" and status 1; installed
/// as the handler of a failed allocation.
[[noreturn]] void ExitOutOfMemory();

/// How a line end reaches standard output: "\n", or "\r\n" where text
/// output converts it.
extern const char kConsoleLineEnd[];

/// The gap bar's two cells in the tool's text, UTF-8 as all of it: a
/// downloaded stretch (a full block) and a gap (a medium shade). Written to
/// a file or a pipe on Windows they become the bytes 0xDB and 0xB1, the same
/// blocks in code page 437, as its output has always had them.
extern const char kBarDownloaded[];
extern const char kBarGap[];
