#include "platform/subprocess.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>

namespace {

std::vector<char*> ArgVector(const std::vector<std::string>& args) {
  std::vector<char*> argv;
  for (const std::string& arg : args) argv.push_back(const_cast<char*>(arg.c_str()));
  argv.push_back(nullptr);
  return argv;
}

[[noreturn]] void ExecChild(const std::vector<std::string>& args, const std::string& folder,
                            int input, int output) {
  dup2(input, STDIN_FILENO);
  dup2(output, STDOUT_FILENO);
  if (!folder.empty() && chdir(folder.c_str()) != 0) _exit(126);
  std::vector<char*> argv = ArgVector(args);
  execv(argv[0], argv.data());
  _exit(127);
}

int ExitCodeOf(int status, ProcessResult& result) {
  if (WIFEXITED(status)) return WEXITSTATUS(status);
  result.killed = WIFSIGNALED(status);
  return -1;
}

}  // namespace

ProcessResult RunProcess(const std::vector<std::string>& args, const std::string& folder,
                         const std::string& input) {
  ProcessResult result;
  int in[2], out[2];
  if (pipe(in) != 0) return result;
  if (pipe(out) != 0) {
    close(in[0]);
    close(in[1]);
    return result;
  }
  pid_t child = fork();
  if (child == 0) {
    close(in[1]);
    close(out[0]);
    ExecChild(args, folder, in[0], out[1]);
  }
  close(in[0]);
  close(out[1]);
  if (child > 0) {
    result.started = true;
    // The input is small enough for the pipe's buffer, so this cannot block.
    (void)!write(in[1], input.data(), input.size());
  }
  close(in[1]);
  char buffer[65536];
  for (;;) {
    ssize_t got = read(out[0], buffer, sizeof buffer);
    if (got > 0) {
      result.output.append(buffer, static_cast<size_t>(got));
    } else if (got == 0 || errno != EINTR) {
      break;
    }
  }
  close(out[0]);
  if (child > 0) {
    int status = 0;
    while (waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
    result.exitCode = ExitCodeOf(status, result);
  }
  return result;
}

ProcessResult RunProcessKilledAfter(const std::vector<std::string>& args,
                                    const std::string& folder, uint64_t microseconds) {
  ProcessResult result;
  int nothing = open("/dev/null", O_RDWR | O_CLOEXEC);
  pid_t child = fork();
  if (child == 0) ExecChild(args, folder, nothing, nothing);
  close(nothing);
  if (child < 0) return result;
  result.started = true;
  timespec pause{static_cast<time_t>(microseconds / 1000000),
                 static_cast<long>(microseconds % 1000000 * 1000)};
  nanosleep(&pause, nullptr);
  kill(child, SIGKILL);
  int status = 0;
  while (waitpid(child, &status, 0) < 0 && errno == EINTR) {
  }
  result.exitCode = ExitCodeOf(status, result);
  return result;
}

uint64_t AllocatedBytes(const std::string& path) {
  struct stat info;
  if (stat(path.c_str(), &info) != 0) return 0;
  return static_cast<uint64_t>(info.st_blocks) * 512;
}

int ExitStatusSeenByParent(int result) { return result & 0xFF; }
