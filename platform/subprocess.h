// Running the tool as a separate process, for the end-to-end tests.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

/// How a child process ended and what it printed on standard output.
struct ProcessResult {
  bool started = false;
  /// The exit status as the parent sees it (0 to 255 on POSIX).
  int exitCode = -1;
  /// True when it was killed before it ended by itself.
  bool killed = false;
  std::string output;
};

/// Runs a program in `folder` with `input` on its standard input and waits
/// for its end. args[0] is the program's path.
ProcessResult RunProcess(const std::vector<std::string>& args, const std::string& folder,
                         const std::string& input);

/// Runs a program and kills it abruptly after `microseconds` unless it has
/// ended by then; its output is discarded.
ProcessResult RunProcessKilledAfter(const std::vector<std::string>& args,
                                    const std::string& folder, uint64_t microseconds);

/// The exit status a parent sees for a program whose main returned `result`.
int ExitStatusSeenByParent(int result);

/// Bytes of storage the file really occupies (less than its size when sparse).
uint64_t AllocatedBytes(const std::string& path);
