// Running a server program beside the tests (a download client that judges
// partsweep's files), and the short commands that talk to it. Only where
// that client runs: on POSIX systems.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/subprocess.h"

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
  /// The exit status once ended (0 to 255), -1 when killed.
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

/// Asks the program to end (SIGTERM), gives it `graceMicroseconds`, then
/// kills it, and collects its end. True when it ended by itself or on the
/// request, false when it had to be killed.
bool StopBackgroundProcess(BackgroundProcess& process, uint64_t graceMicroseconds);
