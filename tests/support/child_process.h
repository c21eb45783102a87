// Programs the tests run beside them: the built tool, seen from outside as a
// user sees it, and on POSIX systems the download client that judges its
// files, with the short commands that talk to that client.
#pragma once

#include <csignal>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

/// How a program is run.
struct ChildOptions {
  /// The folder it runs in; "" for the caller's.
  std::string folder;
  /// What its standard input holds.
  std::string input;
  /// Standard input stays open after `input` until the program ends, as a
  /// pipe from a writer that is still running does.
  bool holdInputOpen = false;
  /// Standard error is collected with standard output.
  bool collectErrors = false;
  /// Killed once it has run this long; 0 for no limit.
  uint64_t timeLimitMicroseconds = 0;
  /// Run as this user and its group (POSIX, by a caller who is root).
  std::optional<uint32_t> user;
};

/// Options for a program run in `folder`.
inline ChildOptions InFolder(const std::string& folder) {
  ChildOptions options;
  options.folder = folder;
  return options;
}

/// Options for a short command that must end within `microseconds` and whose
/// standard error counts as output.
inline ChildOptions Within(uint64_t microseconds) {
  ChildOptions options;
  options.timeLimitMicroseconds = microseconds;
  options.collectErrors = true;
  return options;
}

/// How a program ended and what it printed.
struct ProcessResult {
  bool started = false;
  /// The exit status as the parent sees it (0 to 255 on POSIX); -1 when it
  /// ended by a signal.
  int exitCode = -1;
  /// The signal that ended it (POSIX), 0 when it exited.
  int signal = 0;
  /// True when it ran out of its time limit and was killed.
  bool killed = false;
  std::string output;
};

/// Runs a program and waits for its end. args[0] is the program's path.
ProcessResult RunProcess(const std::vector<std::string>& args, const ChildOptions& options = {});

/// Runs a program and kills it abruptly after `microseconds` unless it has
/// ended by then; its output is discarded.
ProcessResult RunProcessKilledAfter(const std::vector<std::string>& args,
                                    const std::string& folder, uint64_t microseconds);

/// The exit status a parent sees for a program whose main returned `result`.
int ExitStatusSeenByParent(int result);

/// Bytes of storage the file really occupies (less than its size when sparse).
uint64_t AllocatedBytes(const std::string& path);

/// A program that runs beside the caller until it ends or is stopped (POSIX).
struct BackgroundProcess {
  /// The system's process id; 0 when nothing was started.
  int64_t id = 0;
  /// Set once the process has ended and its end was collected.
  bool ended = false;
  /// The exit status once ended (0 to 255), -1 when ended by a signal.
  int exitCode = -1;
  /// The signal that ended it, 0 when it exited.
  int signal = 0;
};

/// Starts a program with nothing on its standard input and its standard
/// output and error appended to the file `outputPath`; `options.folder` and
/// `options.user` apply. On Linux the program is asked to stop as by
/// StopBackgroundProcess when the caller dies first, so that no test leaves
/// a server behind. False when it could not be started.
bool StartBackgroundProcess(const std::vector<std::string>& args, const ChildOptions& options,
                            const std::string& outputPath, BackgroundProcess* process);

/// True while the program runs; collects its end once it has ended.
bool IsRunning(BackgroundProcess& process);

/// Sends the program an interrupt (POSIX): SIGINT as a user's Ctrl+C does,
/// SIGTERM, or SIGHUP as a closed terminal does.
void InterruptProcess(BackgroundProcess& process, int signal = SIGINT);

/// Waits up to `microseconds` for the program's end; true when it ended.
bool WaitForEnd(BackgroundProcess& process, uint64_t microseconds);

/// How long a test waits at most for a program it started to show what it
/// waits for: only a program that hangs takes this long, so that a slow
/// machine makes the tests slower, never failing.
constexpr uint64_t kHangMicroseconds = 300000000;

/// Waits until the program's output file `outputPath` begins with `text`,
/// the program has ended, or kHangMicroseconds have passed; true when the
/// output begins with `text`.
bool WaitForOutput(BackgroundProcess& process, const std::string& outputPath,
                   const std::string& text);

/// The processor time the program has used so far, in seconds, all its
/// threads together (Linux; 0 where the system does not tell). A wait that
/// bounds a program's own work by it holds on a slow or loaded machine.
double ProcessorSeconds(const BackgroundProcess& process);

/// Asks the program to end (SIGTERM), gives it `graceMicroseconds`, then
/// kills it and waits a few seconds more for its end. True when it ended by
/// itself or on the request, false when it had to be killed.
bool StopBackgroundProcess(BackgroundProcess& process, uint64_t graceMicroseconds);
