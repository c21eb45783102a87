#include "tests/support/child_process.h"

#include <fcntl.h>
#include <grp.h>
#include <poll.h>
#include <pwd.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <sstream>

#ifdef __linux__
#include <sys/prctl.h>
#endif

#include "tests/support/temp_folder.h"

namespace {

// After a kill, how long the end of a program's output and its exit are
// waited for: a process stuck in the kernel, or a child of it that keeps
// the output open, must not hang the tests.
constexpr int64_t kAfterKillMicroseconds = 5000000;

int64_t NowMicroseconds() {
  timespec now;
  clock_gettime(CLOCK_MONOTONIC, &now);
  return int64_t(now.tv_sec) * 1000000 + now.tv_nsec / 1000;
}

void SleepMicroseconds(int64_t microseconds) {
  timespec pause{static_cast<time_t>(microseconds / 1000000),
                 static_cast<long>(microseconds % 1000000 * 1000)};
  while (nanosleep(&pause, &pause) != 0 && errno == EINTR) {
  }
}

// Who the child becomes; worked out before the fork, where looking up a
// user is still allowed.
struct Identity {
  bool change = false;
  uid_t user = 0;
  gid_t group = 0;
};

Identity IdentityFor(const ChildOptions& options) {
  Identity identity;
  if (!options.user) return identity;
  identity.change = true;
  identity.user = *options.user;
  identity.group = *options.user;
  passwd entry;
  passwd* found = nullptr;
  char buffer[1024];
  if (getpwuid_r(*options.user, &entry, buffer, sizeof buffer, &found) == 0 && found)
    identity.group = found->pw_gid;
  return identity;
}

[[noreturn]] void ExecChild(const std::vector<std::string>& args, const std::string& folder,
                            const Identity& identity, int input, int output, int errors) {
  dup2(input, STDIN_FILENO);
  dup2(output, STDOUT_FILENO);
  if (errors >= 0) dup2(errors, STDERR_FILENO);
  if (identity.change && (setgroups(0, nullptr) != 0 || setgid(identity.group) != 0 ||
                          setuid(identity.user) != 0))
    _exit(125);
  if (!folder.empty() && chdir(folder.c_str()) != 0) _exit(126);
  std::vector<char*> argv;
  for (const std::string& arg : args) argv.push_back(const_cast<char*>(arg.c_str()));
  argv.push_back(nullptr);
  execv(argv[0], argv.data());
  _exit(127);
}

// Collects the end of a process; false while it runs (with WNOHANG).
bool CollectEnd(BackgroundProcess& process, int options) {
  if (process.ended || process.id <= 0) return true;
  int status = 0;
  pid_t got;
  while ((got = waitpid(static_cast<pid_t>(process.id), &status, options)) < 0 && errno == EINTR) {
  }
  if (got == 0) return false;
  process.ended = true;
  process.exitCode = got > 0 && WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  process.signal = got > 0 && WIFSIGNALED(status) ? WTERMSIG(status) : 0;
  return true;
}

bool WaitUntil(BackgroundProcess& process, int64_t deadline) {
  while (!CollectEnd(process, WNOHANG)) {
    if (NowMicroseconds() >= deadline) return false;
    SleepMicroseconds(2000);
  }
  return true;
}

void Kill(BackgroundProcess& process) {
  if (!process.ended && process.id > 0) kill(static_cast<pid_t>(process.id), SIGKILL);
}

// Feeds the input and collects the output until the output ends, killing
// the program once its time is up.
void Converse(int in, int out, const ChildOptions& options, int64_t deadline,
              BackgroundProcess& child, ProcessResult& result) {
  const std::string& input = options.input;
  size_t written = 0;
  int64_t giveUp = 0;
  char buffer[65536];
  while (out >= 0) {
    const int64_t now = NowMicroseconds();
    if (deadline && now >= deadline && !result.killed) {
      Kill(child);
      result.killed = true;
      giveUp = now + kAfterKillMicroseconds;
    }
    if (giveUp && now >= giveUp) break;
    if (in >= 0 && written == input.size() && !options.holdInputOpen) {
      close(in);
      in = -1;
    }
    pollfd waits[2] = {{out, POLLIN, 0}, {in, POLLOUT, 0}};
    const nfds_t count = in >= 0 && written < input.size() ? 2 : 1;
    int ready = poll(waits, count, deadline || giveUp ? 20 : -1);
    if (ready < 0 && errno != EINTR) break;
    if (count == 2 && (waits[1].revents & (POLLOUT | POLLERR | POLLHUP))) {
      ssize_t put = write(in, input.data() + written, input.size() - written);
      if (put > 0) written += size_t(put);
      else if (put < 0 && errno != EINTR && errno != EAGAIN) written = input.size();
    }
    if (waits[0].revents & (POLLIN | POLLHUP | POLLERR)) {
      ssize_t got = read(out, buffer, sizeof buffer);
      if (got > 0) result.output.append(buffer, size_t(got));
      else if (got == 0 || errno != EINTR) break;
    }
  }
  if (in >= 0) close(in);
}

}  // namespace

ProcessResult RunProcess(const std::vector<std::string>& args, const ChildOptions& options) {
  ProcessResult result;
  int in[2], out[2];
  if (pipe2(in, O_CLOEXEC) != 0) return result;
  if (pipe2(out, O_CLOEXEC) != 0) {
    close(in[0]);
    close(in[1]);
    return result;
  }
  // A program that stops reading must not kill the tests with SIGPIPE.
  signal(SIGPIPE, SIG_IGN);
  const Identity identity = IdentityFor(options);
  const int64_t deadline =
      options.timeLimitMicroseconds ? NowMicroseconds() + int64_t(options.timeLimitMicroseconds)
                                    : 0;
  pid_t pid = fork();
  if (pid == 0)
    ExecChild(args, options.folder, identity, in[0], out[1], options.collectErrors ? out[1] : -1);
  close(in[0]);
  close(out[1]);
  if (pid < 0) {
    close(in[1]);
    close(out[0]);
    return result;
  }
  result.started = true;
  BackgroundProcess child;
  child.id = pid;
  Converse(in[1], out[0], options, deadline, child, result);
  close(out[0]);
  if (!deadline) {
    CollectEnd(child, 0);
  } else if (!WaitUntil(child, result.killed ? NowMicroseconds() + kAfterKillMicroseconds
                                             : deadline)) {
    Kill(child);
    result.killed = true;
    WaitUntil(child, NowMicroseconds() + kAfterKillMicroseconds);
  }
  result.exitCode = child.exitCode;
  result.signal = child.signal;
  return result;
}

ProcessResult RunProcessKilledAfter(const std::vector<std::string>& args,
                                    const std::string& folder, uint64_t microseconds) {
  ProcessResult result;
  int nothing = open("/dev/null", O_RDWR | O_CLOEXEC);
  pid_t pid = fork();
  if (pid == 0) ExecChild(args, folder, Identity{}, nothing, nothing, -1);
  close(nothing);
  if (pid < 0) return result;
  result.started = true;
  SleepMicroseconds(int64_t(microseconds));
  BackgroundProcess child;
  child.id = pid;
  Kill(child);
  result.killed = WaitUntil(child, NowMicroseconds() + kAfterKillMicroseconds) && child.signal;
  result.exitCode = child.exitCode;
  result.signal = child.signal;
  return result;
}

int ExitStatusSeenByParent(int result) { return result & 0xFF; }

uint64_t AllocatedBytes(const std::string& path) {
  struct stat info;
  if (stat(path.c_str(), &info) != 0) return 0;
  return static_cast<uint64_t>(info.st_blocks) * 512;
}

bool StartBackgroundProcess(const std::vector<std::string>& args, const ChildOptions& options,
                            const std::string& outputPath, BackgroundProcess* process) {
  *process = BackgroundProcess{};
  int nothing = open("/dev/null", O_RDONLY | O_CLOEXEC);
  int output = open(outputPath.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
  if (nothing < 0 || output < 0) {
    if (nothing >= 0) close(nothing);
    if (output >= 0) close(output);
    return false;
  }
  const Identity identity = IdentityFor(options);
  const pid_t parent = getpid();
  pid_t pid = fork();
  if (pid == 0) {
#ifdef __linux__
    // A test that dies (a timeout, a crash) must not leave the server running.
    prctl(PR_SET_PDEATHSIG, SIGTERM);
    if (getppid() != parent) _exit(126);
#else
    (void)parent;
#endif
    ExecChild(args, options.folder, identity, nothing, output, output);
  }
  close(nothing);
  close(output);
  if (pid < 0) return false;
  process->id = pid;
  return true;
}

bool IsRunning(BackgroundProcess& process) { return !CollectEnd(process, WNOHANG); }

void InterruptProcess(BackgroundProcess& process, int signal) {
  if (!process.ended && process.id > 0) kill(static_cast<pid_t>(process.id), signal);
}

bool WaitForEnd(BackgroundProcess& process, uint64_t microseconds) {
  return WaitUntil(process, NowMicroseconds() + int64_t(microseconds));
}

bool WaitForOutput(BackgroundProcess& process, const std::string& outputPath,
                   const std::string& text) {
  const int64_t giveUp = NowMicroseconds() + int64_t(kHangMicroseconds);
  for (;;) {
    // Its end is seen before its output is read: all it wrote before it counts.
    const bool ended = !IsRunning(process);
    if (ReadFileBytes(outputPath).compare(0, text.size(), text) == 0) return true;
    if (ended || NowMicroseconds() >= giveUp) return false;
    SleepMicroseconds(10000);
  }
}

double ProcessorSeconds(const BackgroundProcess& process) {
  // Fields 14 and 15 of /proc/PID/stat, counted after the name in
  // parentheses (which may hold spaces): user and system time in ticks.
  const std::string stat = ReadFileBytes("/proc/" + std::to_string(process.id) + "/stat");
  const size_t nameEnd = stat.rfind(')');
  if (process.id <= 0 || nameEnd == std::string::npos) return 0;
  std::istringstream fields(stat.substr(nameEnd + 1));
  std::string field;
  uint64_t ticks = 0;
  for (int number = 3; number <= 15 && fields >> field; ++number) {
    if (number >= 14) ticks += std::strtoull(field.c_str(), nullptr, 10);
  }
  return double(ticks) / double(sysconf(_SC_CLK_TCK));
}

bool StopBackgroundProcess(BackgroundProcess& process, uint64_t graceMicroseconds) {
  if (CollectEnd(process, WNOHANG)) return true;
  InterruptProcess(process, SIGTERM);
  if (WaitUntil(process, NowMicroseconds() + int64_t(graceMicroseconds))) return true;
  Kill(process);
  WaitUntil(process, NowMicroseconds() + kAfterKillMicroseconds);
  return false;
}
