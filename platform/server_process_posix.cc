#include "platform/server_process.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>

#ifdef __linux__
#include <sys/prctl.h>
#endif

namespace {

[[noreturn]] void ExecChild(const std::vector<std::string>& args, const std::string& folder,
                            int input, int output) {
  dup2(input, STDIN_FILENO);
  dup2(output, STDOUT_FILENO);
  dup2(output, STDERR_FILENO);
  if (!folder.empty() && chdir(folder.c_str()) != 0) _exit(126);
  std::vector<char*> argv;
  for (const std::string& arg : args) argv.push_back(const_cast<char*>(arg.c_str()));
  argv.push_back(nullptr);
  execv(argv[0], argv.data());
  _exit(127);
}

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
  return true;
}

}  // namespace

ProcessResult RunProcessWithin(const std::vector<std::string>& args, uint64_t microseconds) {
  ProcessResult result;
  int out[2];
  if (pipe2(out, O_CLOEXEC) != 0) return result;
  int nothing = open("/dev/null", O_RDONLY | O_CLOEXEC);
  pid_t child = fork();
  if (child == 0) ExecChild(args, "", nothing, out[1]);
  close(out[1]);
  if (nothing >= 0) close(nothing);
  if (child < 0) {
    close(out[0]);
    return result;
  }
  result.started = true;
  const int64_t deadline = NowMicroseconds() + static_cast<int64_t>(microseconds);
  bool killed = false;
  char buffer[65536];
  for (;;) {
    int64_t left = deadline - NowMicroseconds();
    if (left <= 0 && !killed) {
      kill(child, SIGKILL);
      killed = true;
    }
    pollfd wait{out[0], POLLIN, 0};
    int ready = poll(&wait, 1, killed ? -1 : static_cast<int>(left / 1000 + 1));
    if (ready < 0 && errno == EINTR) continue;
    if (ready == 0) continue;
    ssize_t got = read(out[0], buffer, sizeof buffer);
    if (got > 0) {
      result.output.append(buffer, static_cast<size_t>(got));
    } else if (got == 0 || errno != EINTR) {
      break;
    }
  }
  close(out[0]);
  BackgroundProcess ended;
  ended.id = child;
  CollectEnd(ended, 0);
  result.exitCode = ended.exitCode;
  result.killed = ended.exitCode == -1;
  return result;
}

bool StartBackgroundProcess(const std::vector<std::string>& args, const std::string& folder,
                            const std::string& outputPath, BackgroundProcess* process) {
  *process = BackgroundProcess{};
  int nothing = open("/dev/null", O_RDONLY | O_CLOEXEC);
  int output = open(outputPath.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
  if (nothing < 0 || output < 0) {
    if (nothing >= 0) close(nothing);
    if (output >= 0) close(output);
    return false;
  }
  const pid_t parent = getpid();
  pid_t child = fork();
  if (child == 0) {
#ifdef __linux__
    // A test that dies (a timeout, a crash) must not leave the server running.
    prctl(PR_SET_PDEATHSIG, SIGTERM);
    if (getppid() != parent) _exit(126);
#else
    (void)parent;
#endif
    ExecChild(args, folder, nothing, output);
  }
  close(nothing);
  close(output);
  if (child < 0) return false;
  process->id = child;
  return true;
}

bool IsRunning(BackgroundProcess& process) { return !CollectEnd(process, WNOHANG); }

bool StopBackgroundProcess(BackgroundProcess& process, uint64_t graceMicroseconds) {
  if (CollectEnd(process, WNOHANG)) return true;
  kill(static_cast<pid_t>(process.id), SIGTERM);
  const int64_t deadline = NowMicroseconds() + static_cast<int64_t>(graceMicroseconds);
  while (NowMicroseconds() < deadline) {
    if (CollectEnd(process, WNOHANG)) return true;
    SleepMicroseconds(20000);
  }
  kill(static_cast<pid_t>(process.id), SIGKILL);
  CollectEnd(process, 0);
  return false;
}
