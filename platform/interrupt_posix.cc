#include "platform/interrupt.h"

#include <signal.h>
#include <unistd.h>

#include <cstring>
#include <mutex>

namespace {

constexpr int kInterrupts[] = {SIGINT, SIGTERM, SIGHUP};

// What the handler removes; it may touch nothing else.
char pendingPath[4096];
volatile sig_atomic_t armed = 0;
// Where the handler says that the run was interrupted.
volatile sig_atomic_t noticeOutput = STDOUT_FILENO;
constexpr char kNotice[] = "Interrupted.\n";

void OnInterrupt(int signal) {
  (void)!write(noticeOutput, kNotice, sizeof kNotice - 1);
  if (armed) unlink(pendingPath);
  // The default action, once the handler returns: the end that the parent
  // expects from this signal.
  struct sigaction fallback {};
  fallback.sa_handler = SIG_DFL;
  sigaction(signal, &fallback, nullptr);
  raise(signal);
}

void InstallHandlers() {
  static std::once_flag installed;
  std::call_once(installed, [] {
    for (int signal : kInterrupts) {
      struct sigaction current {};
      sigaction(signal, nullptr, &current);
      if (current.sa_handler == SIG_IGN) continue;  // nohup and the like stay in force
      struct sigaction handler {};
      handler.sa_handler = OnInterrupt;
      sigemptyset(&handler.sa_mask);
      for (int other : kInterrupts) sigaddset(&handler.sa_mask, other);
      sigaction(signal, &handler, nullptr);
    }
  });
}

bool Ignored(int signal) {
  struct sigaction current {};
  return sigaction(signal, nullptr, &current) == 0 && current.sa_handler == SIG_IGN;
}

sigset_t InterruptSet() {
  sigset_t set;
  sigemptyset(&set);
  for (int signal : kInterrupts) sigaddset(&set, signal);
  return set;
}

}  // namespace

void WatchInterrupts(bool toStandardError) {
  noticeOutput = toStandardError ? STDERR_FILENO : STDOUT_FILENO;
  InstallHandlers();
}

void RemoveOnInterrupt(const std::string& path) {
  InstallHandlers();
  InterruptsHeld held;
  armed = 0;
  if (path.size() >= sizeof pendingPath) return;  // cannot be held; left as it is
  std::memcpy(pendingPath, path.c_str(), path.size() + 1);
  armed = 1;
}

void KeepOnInterrupt() { armed = 0; }

bool InterruptPending() {
  sigset_t pending;
  if (sigpending(&pending) != 0) return false;
  // A blocked signal is kept pending even where it is ignored, and then
  // dropped when it is unblocked: it ends nothing, so it must stop nothing.
  for (int signal : kInterrupts) {
    if (sigismember(&pending, signal) == 1 && !Ignored(signal)) return true;
  }
  return false;
}

InterruptsHeld::InterruptsHeld() {
  static_assert(sizeof(sigset_t) <= sizeof saved_, "room for the signal mask");
  sigset_t block = InterruptSet();
  sigprocmask(SIG_BLOCK, &block, reinterpret_cast<sigset_t*>(saved_));
}

InterruptsHeld::~InterruptsHeld() {
  sigprocmask(SIG_SETMASK, reinterpret_cast<sigset_t*>(saved_), nullptr);
}
