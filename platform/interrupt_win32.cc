#include "platform/interrupt.h"

#include <windows.h>

#include <mutex>

#include "platform/wide_names.h"

namespace {

// The console's control handler runs on a thread of its own: it waits
// while interrupts are held, then removes the file and ends the process.
std::recursive_mutex holding;
std::wstring pendingPath;
bool armed = false;

BOOL WINAPI OnInterrupt(DWORD) {
  std::lock_guard<std::recursive_mutex> lock(holding);
  // The file was created to allow this removal while it is still open.
  if (armed) DeleteFileW(pendingPath.c_str());
  ExitProcess(STATUS_CONTROL_C_EXIT);
  return TRUE;
}

}  // namespace

void RemoveOnInterrupt(const std::string& path) {
  static std::once_flag installed;
  std::call_once(installed, [] { SetConsoleCtrlHandler(OnInterrupt, TRUE); });
  std::lock_guard<std::recursive_mutex> lock(holding);
  pendingPath = WideName(path);
  armed = true;
}

void KeepOnInterrupt() {
  std::lock_guard<std::recursive_mutex> lock(holding);
  armed = false;
}

InterruptsHeld::InterruptsHeld() { holding.lock(); }

InterruptsHeld::~InterruptsHeld() { holding.unlock(); }
