#include "reading/part_hashing.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <system_error>

#include "reading/part_lanes.h"
#include "reading/part_window.h"

PartReads ChooseReads(PartReads asked, const char* environment, SeekCost cost) {
  if (asked != PartReads::kAuto) return asked;
  if (environment && std::strcmp(environment, "parallel") == 0) return PartReads::kParallel;
  if (environment && std::strcmp(environment, "sequential") == 0) return PartReads::kSequential;
  return cost == SeekCost::Seeks ? PartReads::kSequential : PartReads::kParallel;
}

bool IsKnownReads(const char* environment) {
  return !environment || !*environment || std::strcmp(environment, "parallel") == 0 ||
         std::strcmp(environment, "sequential") == 0;
}

unsigned HashThreads(unsigned asked, uint32_t parts) {
  unsigned threads = asked != 0 ? asked : std::thread::hardware_concurrency();
  threads = std::min(threads, kMaxHashThreads);
  if (threads > parts) threads = parts;
  return std::max(threads, 1u);
}

PartHashing::PartHashing(Disk& disk, File& data, uint32_t parts, const PartHashOptions& options)
    : board_(parts), size_(options.size), aich_(options.aich) {
  threads_ = HashThreads(options.threads, parts);
  // Asked of the disk once: it reads the cache's and the device's state.
  std::optional<SeekCost> cost;
  if (options.reads == PartReads::kAuto) {
    const char* forced = std::getenv(kReadsVariable);
    if (!forced) cost = disk.SeekCostOf(data);
    reads_ = ChooseReads(options.reads, forced, cost.value_or(SeekCost::Unknown));
  } else {
    reads_ = options.reads;
  }
  if (parts == 0) return;
  if (reads_ == PartReads::kSequential)
    StartSequential(disk, data, cost ? *cost : disk.SeekCostOf(data));
  else
    StartParallel(disk, data);
}

PartHashing::~PartHashing() {
  board_.GiveUp();
  for (std::thread& thread : running_) thread.join();
}

File* PartHashing::Reader(Disk& disk, File& data) {
  OpenResult opened = disk.OpenSequentialReader(data);
  if (!opened.ok()) return &data;
  handles_.push_back(std::move(opened.file));
  return &handles_.back();
}

template <typename Work>
void PartHashing::Start(Work work) {
  try {
    running_.emplace_back(work);
  } catch (const std::system_error&) {
    work();
  }
}

void PartHashing::StartParallel(Disk& disk, File& data) {
  // Part p goes to thread p mod threads, so that the threads' first batches
  // hold the first parts and the digests come out in order soon.
  shares_.resize(threads_);
  size_t handles = 0;
  for (unsigned t = 0; t < threads_; ++t) {
    Share& share = shares_[t];
    for (uint32_t part = t; part < board_.count(); part += threads_) share.parts.push_back(part);
    share.batches = SplitIntoBatches(share.parts.size());
    handles += share.batches.front();
  }
  // The handles are made here, before any thread reads: a File never moves.
  handles_.reserve(handles);
  for (Share& share : shares_) {
    for (size_t lane = 0; lane < share.batches.front(); ++lane)
      share.readers.push_back(Reader(disk, data));
  }
  for (Share& share : shares_)
    Start([&disk, &share, this] { HashPartsInLanes(disk, share.readers, share.parts, share.batches, size_, aich_, board_); });
}

void PartHashing::StartSequential(Disk& disk, File& data, SeekCost cost) {
  handles_.reserve(1);
  File* reader = Reader(disk, data);
  Start([&disk, reader, &data, cost, this] {
    HashPartsInWindows(disk, *reader, data, threads_, size_, aich_, cost, board_);
  });
}
