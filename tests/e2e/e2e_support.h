// Running the built tool on real files, for the end-to-end tests.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "tests/support/child_process.h"

/// Runs the built tool in `folder` with `args` behind the program's path;
/// standard input holds `input`, so that a key wait ends.
ProcessResult RunTool(const std::string& folder, const std::vector<std::string>& args,
                      const std::string& input = "");

/// The text as the tool prints it on this platform (line ends).
std::string Lines(const std::string& text);

/// What a listing prints after a gap's line when it may release ranges, for
/// a gap of `length` bytes of which `inside` lie in the file: the release
/// where the file system gives ranges back (`releases`), else the zero
/// fill's last percentage, the only one shown where output is no terminal.
std::string ClearedGapOutput(bool releases, uint64_t length, uint64_t inside);

/// True when `text` holds `part`.
inline bool Contains(const std::string& text, const std::string& part) {
  return text.find(part) != std::string::npos;
}

/// True when `text` ends with `tail`.
inline bool EndsWith(const std::string& text, const std::string& tail) {
  return text.size() >= tail.size() && text.compare(text.size() - tail.size(), tail.size(), tail) == 0;
}
