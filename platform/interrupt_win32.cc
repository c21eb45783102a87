#include "platform/interrupt.h"

#include <windows.h>

#include <atomic>
#include <mutex>

#include "platform/wide_names.h"

namespace {

// The console's control handler runs on a thread of its own: it waits
// while interrupts are held, then removes the file and ends the process.
std::recursive_mutex holding;
std::wstring pendingPath;
bool armed = false;
// How deep the main thread holds interrupts; only under `holding`.
int heldDepth = 0;
// Set by the handler before it waits: the held work asks for it.
std::atomic<bool> requested{false};
// Where the handler says that the run was interrupted.
std::atomic<DWORD> noticeOutput{STD_OUTPUT_HANDLE};

void SayInterrupted() {
  static const char kNotice[] = "Interrupted.\r\n";
  DWORD written = 0;
  WriteFile(GetStdHandle(noticeOutput), kNotice, sizeof kNotice - 1, &written, nullptr);
}

BOOL WINAPI OnInterrupt(DWORD) {
  requested = true;
  std::lock_guard<std::recursive_mutex> lock(holding);
  SayInterrupted();
  // The file was created to allow this removal while it is still open.
  if (armed) DeleteFileW(pendingPath.c_str());
  ExitProcess(STATUS_CONTROL_C_EXIT);
  return TRUE;
}

void InstallHandler() {
  static std::once_flag installed;
  std::call_once(installed, [] { SetConsoleCtrlHandler(OnInterrupt, TRUE); });
}

}  // namespace

void WatchInterrupts(bool toStandardError) {
  noticeOutput = toStandardError ? STD_ERROR_HANDLE : STD_OUTPUT_HANDLE;
  InstallHandler();
}

void RemoveOnInterrupt(const std::string& path) {
  InstallHandler();
  std::lock_guard<std::recursive_mutex> lock(holding);
  pendingPath = WideName(path);
  armed = true;
}

void KeepOnInterrupt() {
  std::lock_guard<std::recursive_mutex> lock(holding);
  armed = false;
}

bool InterruptPending() { return requested; }

InterruptsHeld::InterruptsHeld() {
  InstallHandler();
  holding.lock();
  ++heldDepth;
}

InterruptsHeld::~InterruptsHeld() {
  const bool last = --heldDepth == 0;
  holding.unlock();
  // The handler ends the process now that it may; nothing more of the run
  // may happen meanwhile.
  if (last && requested) {
    for (;;) Sleep(INFINITE);
  }
}
