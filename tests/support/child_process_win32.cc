#include "tests/support/child_process.h"

#include <windows.h>

#include <cstdlib>
#include <filesystem>
#include <thread>

namespace {

// One argument quoted the way the C runtime splits a command line again.
std::string Quoted(const std::string& arg) {
  if (!arg.empty() && arg.find_first_of(" \t\"") == std::string::npos) return arg;
  std::string quoted = "\"";
  size_t backslashes = 0;
  for (char c : arg) {
    if (c == '\\') {
      ++backslashes;
      continue;
    }
    if (c == '"') backslashes = backslashes * 2 + 1;
    quoted.append(backslashes, '\\');
    backslashes = 0;
    quoted += c;
  }
  quoted.append(backslashes * 2, '\\');
  return quoted + "\"";
}

std::string CommandLine(const std::vector<std::string>& args) {
  std::string line;
  for (const std::string& arg : args) line += (line.empty() ? "" : " ") + Quoted(arg);
  return line;
}

// UTF-8, as the tests write every name, in the UTF-16 of the wide functions.
std::wstring Wide(const std::string& text) { return std::filesystem::u8path(text).wstring(); }

bool Start(const std::vector<std::string>& args, const std::string& folder, HANDLE input,
           HANDLE output, HANDLE errors, PROCESS_INFORMATION* process) {
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdInput = input;
  startup.hStdOutput = output;
  startup.hStdError = errors;
  std::wstring line = Wide(CommandLine(args));
  const std::wstring in = Wide(folder);
  return CreateProcessW(nullptr, &line[0], nullptr, nullptr, TRUE, 0, nullptr,
                        folder.empty() ? nullptr : in.c_str(), &startup, process) != 0;
}

// Waits for the end within `milliseconds` (INFINITE for no limit), killing
// the program when its time is up; gives the exit code.
int Finish(PROCESS_INFORMATION& process, DWORD milliseconds, bool* killed) {
  if (WaitForSingleObject(process.hProcess, milliseconds) == WAIT_TIMEOUT) {
    TerminateProcess(process.hProcess, 137);
    *killed = true;
    WaitForSingleObject(process.hProcess, 5000);
  }
  DWORD code = 0;
  GetExitCodeProcess(process.hProcess, &code);
  CloseHandle(process.hProcess);
  CloseHandle(process.hThread);
  return static_cast<int>(code);
}

}  // namespace

ProcessResult RunProcess(const std::vector<std::string>& args, const ChildOptions& options) {
  ProcessResult result;
  SECURITY_ATTRIBUTES inherit{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
  HANDLE inRead, inWrite, outRead, outWrite;
  if (!CreatePipe(&inRead, &inWrite, &inherit, 0)) return result;
  if (!CreatePipe(&outRead, &outWrite, &inherit, 0)) {
    CloseHandle(inRead);
    CloseHandle(inWrite);
    return result;
  }
  // Our own ends stay with us.
  SetHandleInformation(inWrite, HANDLE_FLAG_INHERIT, 0);
  SetHandleInformation(outRead, HANDLE_FLAG_INHERIT, 0);
  PROCESS_INFORMATION process{};
  result.started =
      Start(args, options.folder, inRead, outWrite,
            options.collectErrors ? outWrite : GetStdHandle(STD_ERROR_HANDLE), &process);
  CloseHandle(inRead);
  CloseHandle(outWrite);
  // The output is read beside the wait, so that a time limit holds even
  // while the program prints nothing.
  std::thread reader([&] {
    char buffer[65536];
    DWORD got = 0;
    while (ReadFile(outRead, buffer, sizeof buffer, &got, nullptr) && got > 0)
      result.output.append(buffer, got);
  });
  if (result.started) {
    DWORD written = 0;
    WriteFile(inWrite, options.input.data(), static_cast<DWORD>(options.input.size()), &written,
              nullptr);
  }
  if (!options.holdInputOpen) CloseHandle(inWrite);
  if (result.started) {
    const DWORD limit = options.timeLimitMicroseconds
                            ? static_cast<DWORD>(options.timeLimitMicroseconds / 1000)
                            : INFINITE;
    result.exitCode = Finish(process, limit, &result.killed);
  }
  if (options.holdInputOpen) CloseHandle(inWrite);
  reader.join();
  CloseHandle(outRead);
  return result;
}

ProcessResult RunProcessKilledAfter(const std::vector<std::string>& args,
                                    const std::string& folder, uint64_t microseconds) {
  ProcessResult result;
  SECURITY_ATTRIBUTES inherit{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
  HANDLE nothing = CreateFileA("NUL", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                               &inherit, OPEN_EXISTING, 0, nullptr);
  PROCESS_INFORMATION process{};
  result.started = Start(args, folder, nothing, nothing, nothing, &process);
  CloseHandle(nothing);
  if (!result.started) return result;
  result.exitCode = Finish(process, static_cast<DWORD>(microseconds / 1000), &result.killed);
  return result;
}

int ExitStatusSeenByParent(int result) { return result; }

uint64_t AllocatedBytes(const std::string& path) {
  DWORD high = 0;
  DWORD low = GetCompressedFileSizeW(Wide(path).c_str(), &high);
  if (low == INVALID_FILE_SIZE && GetLastError() != NO_ERROR) return 0;
  return (static_cast<uint64_t>(high) << 32) | low;
}
