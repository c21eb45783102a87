// Running the tool and other programs as separate processes, for the
// end-to-end and interop tests.
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

/// Runs a program with nothing on its standard input and waits for its end,
/// at most `microseconds`, then kills it. `output` collects its standard
/// output and standard error together. args[0] is the program's path.
ProcessResult RunProcessWithin(const std::vector<std::string>& args, uint64_t microseconds);

/// A program that runs beside the caller until it ends or is stopped.
struct BackgroundProcess {
  /// The system's process id; 0 when nothing was started.
  int64_t id = 0;
  /// Set once the process has ended and its end was collected.
  bool ended = false;
  /// The exit status once ended (0 to 255 on POSIX), -1 when killed.
  int exitCode = -1;
};

/// Starts a program in `folder` with nothing on its standard input and its
/// standard output and error appended to the file `outputPath`. Where the
/// system offers it, the program is asked to stop as by
/// StopBackgroundProcess when the caller dies first, so that no test leaves
/// a server behind. args[0] is the program's path. False when it could not
/// be started.
bool StartBackgroundProcess(const std::vector<std::string>& args, const std::string& folder,
                            const std::string& outputPath, BackgroundProcess* process);

/// True while the program runs; collects its end once it has ended.
bool IsRunning(BackgroundProcess& process);

/// Asks the program to end (SIGTERM on POSIX), gives it `graceMicroseconds`,
/// then kills it, and collects its end. True when it ended by itself or on
/// the request, false when it had to be killed.
bool StopBackgroundProcess(BackgroundProcess& process, uint64_t graceMicroseconds);

/// Bytes of storage the file really occupies (less than its size when sparse).
uint64_t AllocatedBytes(const std::string& path);
