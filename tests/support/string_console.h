// A console that keeps what was written, for checking output in tests.
#pragma once

#include <string>

#include "platform/console.h"

class StringConsole : public Console {
 public:
  void Write(std::string_view text) override { output.append(text); }
  bool MarkCursor() override { return isTerminal; }
  /// A redraw shows up in the output as "<redraw>".
  void RedrawFromMark() override {
    if (isTerminal) output += "<redraw>";
  }
  void WaitForKey() override { ++keyWaits; }
  bool CanWaitForKey() override { return inputIsTerminal; }

  std::string output;
  bool isTerminal = false;
  int keyWaits = 0;
  /// What CanWaitForKey says.
  bool inputIsTerminal = true;
};
