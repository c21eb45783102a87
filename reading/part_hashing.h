// The MD4 digests of a list of spans (the parts of a data file, or any
// stretches of open files), hashed on every core while the caller takes them
// in order: the work of "/rebuild".
#pragma once

#include <cstdint>
#include <thread>
#include <vector>

#include "platform/disk.h"
#include "reading/part_board.h"
#include "reading/part_lanes.h"
#include "reading/part_span.h"

/// How the spans are read from their files.
enum class PartReads {
  /// As the storage suits (see ChooseReads).
  kAuto,
  /// Many parts at once, 128 KiB a part a step, each through a handle of its
  /// own: fastest from the page cache or a solid-state device.
  kParallel,
  /// The file asked for from front to back a window of parts at a time, and
  /// each window hashed from the cache: no seeks on a rotating disk.
  kSequential,
};

/// What a part check may choose; the defaults suit the machine and storage.
/// What is hashed (and whether AICH trees too) the spans say.
struct PartHashOptions {
  /// Hashing threads; 0 for one per core. Never more than one per span.
  unsigned threads = 0;
  PartReads reads = PartReads::kAuto;
};

/// The most hashing threads, which bounds the memory: each holds up to
/// kMd4MaxMessages lanes of 128 KiB.
constexpr unsigned kMaxHashThreads = 16;

/// The environment variable that forces the reading: "parallel" or
/// "sequential"; empty or unset leaves the choice to the storage.
constexpr char kReadsVariable[] = "PARTSWEEP_READS";

/// True for a value of kReadsVariable (nullptr when unset) that the tool
/// knows; a run refuses any other, which would otherwise go unnoticed.
bool IsKnownReads(const char* environment);

/// The reading the environment forces (kReadsVariable's value, or nullptr):
/// kAuto where it forces none.
PartReads ForcedReads(const char* environment);

/// The reading to use: `asked` unless it is kAuto, else what `environment`
/// (the value of kReadsVariable, or nullptr) forces, else sequential where
/// the storage seeks and parallel everywhere else. The run reads the
/// environment once and asks the hashing for what it forces.
PartReads ChooseReads(PartReads asked, const char* environment, SeekCost cost);

/// The hashing threads for `parts` spans: `asked`, or one per core for 0,
/// at most one per span and kMaxHashThreads, at least one.
unsigned HashThreads(unsigned asked, uint32_t parts);

/// Hashes the spans on threads of its own from construction on, each as far
/// as its file has it, and its AICH tree where the span asks for one. The
/// reading is chosen once, from the storage of the first span's file.
class PartHashing {
 public:
  /// Starts hashing the spans; their files must stay open while this lives.
  PartHashing(FileIo& disk, std::vector<PartSpan> spans, const PartHashOptions& options);
  /// The parts [0, parts) of the open file, as far as it has them (a part
  /// past its end is empty), without AICH trees.
  PartHashing(FileIo& disk, File& data, uint32_t parts, const PartHashOptions& options);
  /// Gives up the spans not yet hashed and waits for the threads to end.
  ~PartHashing();
  PartHashing(const PartHashing&) = delete;
  PartHashing& operator=(const PartHashing&) = delete;

  /// The outcome of span `index`, waiting for it; take the spans in order and
  /// stop at the first failure, which is that of the first span whose reading failed.
  PartOutcome Wait(uint32_t index) { return board_.Wait(index); }
  /// The reading chosen.
  PartReads reads() const { return reads_; }
  /// The hashing threads used.
  unsigned threads() const { return threads_; }

 private:
  /// One parallel thread's work: its spans, their batches, a handle a lane.
  struct Share {
    std::vector<uint32_t> indices;
    std::vector<size_t> batches;
    LaneReaders readers;
  };

  void StartParallel(FileIo& disk);
  void StartSequential(FileIo& disk, SeekCost cost);
  /// A handle of its own for one reader, or the data file's where the
  /// system gives none (reads at an offset share it safely).
  File* Reader(FileIo& disk, File& data);
  /// Runs `work` on a thread of its own, or right here where the system
  /// starts no more threads: the outcomes are then there before the first Wait.
  template <typename Work>
  void Start(Work work);

  std::vector<PartSpan> spans_;
  PartBoard board_;
  PartReads reads_ = PartReads::kParallel;
  unsigned threads_ = 1;
  std::vector<File> handles_;
  std::vector<Share> shares_;
  std::vector<std::thread> running_;
};
