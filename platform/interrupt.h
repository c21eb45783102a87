// What an interrupt (Ctrl+C, SIGINT, SIGTERM, SIGHUP) does while the tool
// writes a new metadata file (the half-made file goes, the old one stays),
// and how work that must not be cut off (a zero fill, which has to give the
// data file its times back) lets an interrupt wait for its end.
#pragma once

#include <string>

/// From now on an interrupt that ends the run says so first ("Interrupted."),
/// on standard error with `toStandardError` (where standard output is for
/// programs), else on standard output. An interrupt that was ignored when
/// the run began (nohup, a script's background job) stays ignored.
void WatchInterrupts(bool toStandardError);

/// Until KeepOnInterrupt: an interrupt removes `path`, then ends the run
/// with the interrupt's usual exit status.
void RemoveOnInterrupt(const std::string& path);

/// An interrupt removes nothing any more.
void KeepOnInterrupt();

/// Holds interrupts back while it lives, so that a step that must not be cut
/// in two (putting the new metadata file in place of the old) is finished or
/// undone first; an interrupt that came meanwhile ends the run afterwards,
/// with the exit status that interrupt gives.
/// True once an interrupt came while interrupts are held: long work asks
/// between its steps, and stops early so that the run ends soon. An
/// interrupt that is ignored never counts.
bool InterruptPending();

class InterruptsHeld {
 public:
  InterruptsHeld();
  ~InterruptsHeld();
  InterruptsHeld(const InterruptsHeld&) = delete;
  InterruptsHeld& operator=(const InterruptsHeld&) = delete;

 private:
  unsigned char saved_[128];
};
