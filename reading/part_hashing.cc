#include "reading/part_hashing.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <system_error>
#include <utility>

#include "reading/part_window.h"

PartReads ChooseReads(PartReads asked, const char* environment, SeekCost cost) {
  if (asked != PartReads::kAuto) return asked;
  if (environment && std::strcmp(environment, "parallel") == 0) return PartReads::kParallel;
  if (environment && std::strcmp(environment, "sequential") == 0) return PartReads::kSequential;
  return cost == SeekCost::Seeks ? PartReads::kSequential : PartReads::kParallel;
}

PartReads ForcedReads(const char* environment) {
  return ChooseReads(PartReads::kAuto, environment, SeekCost::Unknown) == PartReads::kSequential
             ? PartReads::kSequential
         : environment && std::strcmp(environment, "parallel") == 0 ? PartReads::kParallel
                                                                     : PartReads::kAuto;
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

PartHashing::PartHashing(FileIo& disk, std::vector<PartSpan> spans, const PartHashOptions& options)
    : spans_(std::move(spans)), board_(static_cast<uint32_t>(spans_.size())) {
  threads_ = HashThreads(options.threads, board_.count());
  // Asked of the disk once: it reads the cache's and the device's state.
  std::optional<SeekCost> cost;
  if (options.reads == PartReads::kAuto) {
    if (!spans_.empty()) cost = disk.SeekCostOf(*spans_[0].file);
    reads_ = ChooseReads(options.reads, nullptr, cost.value_or(SeekCost::Unknown));
  } else {
    reads_ = options.reads;
  }
  if (spans_.empty()) return;
  if (reads_ == PartReads::kSequential)
    StartSequential(disk, cost ? *cost : disk.SeekCostOf(*spans_[0].file));
  else
    StartParallel(disk);
}

PartHashing::PartHashing(FileIo& disk, File& data, uint32_t parts, const PartHashOptions& options)
    : PartHashing(disk, DownloadPartSpans(data, UINT64_MAX, PartsBelow(parts), false), options) {}

PartHashing::~PartHashing() {
  board_.GiveUp();
  for (std::thread& thread : running_) thread.join();
}

File* PartHashing::Reader(FileIo& disk, File& data) {
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

void PartHashing::StartParallel(FileIo& disk) {
  // Span i goes to thread i mod threads, so that the threads' first batches
  // hold the first spans and the digests come out in order soon.
  shares_.resize(threads_);
  size_t handles = 0;
  for (unsigned t = 0; t < threads_; ++t) {
    Share& share = shares_[t];
    for (uint32_t i = t; i < board_.count(); i += threads_) share.indices.push_back(i);
    share.batches = SplitIntoBatches(share.indices.size());
    handles += share.batches.front();
  }
  // The handles, of the first span's file, are made here before any thread
  // reads: a File never moves.
  File& first = *spans_[0].file;
  handles_.reserve(handles);
  for (Share& share : shares_) {
    share.readers.of = &first;
    share.readers.openOthers = true;
    for (size_t lane = 0; lane < share.batches.front(); ++lane)
      share.readers.handles.push_back(Reader(disk, first));
  }
  for (Share& share : shares_) {
    Start([&disk, &share, this] {
      HashPartsInLanes(disk, share.readers, spans_, share.indices, share.batches, board_);
    });
  }
}

void PartHashing::StartSequential(FileIo& disk, SeekCost cost) {
  handles_.reserve(1);
  File* reader = Reader(disk, *spans_[0].file);
  Start([&disk, reader, cost, this] {
    HashPartsInWindows(disk, *reader, spans_, threads_, cost, board_);
  });
}
