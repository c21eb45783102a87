#include "reading/part_window.h"

#include <algorithm>
#include <condition_variable>
#include <mutex>
#include <thread>

#include "platform/disk.h"
#include "reading/part_board.h"
#include "reading/part_lanes.h"

namespace {

// What the lanes of `threads` threads cost for `rest` parts in windows of
// `size`: each window takes as long as its busiest thread's share.
double WindowsCost(uint32_t rest, uint32_t size, unsigned threads) {
  auto window = [threads](uint32_t parts) { return BatchesCost((parts + threads - 1) / threads); };
  return (rest / size) * window(size) + (rest % size ? window(rest % size) : 0.0);
}

// The window size, at most kWindowParts, whose windows cost the lanes least:
// a thread's share that just passes a group of lanes (17 parts on 16 lanes)
// costs nearly as much as twice as many parts. Ties go to the larger size.
uint32_t CheapestWindowSize(uint32_t rest, unsigned threads) {
  uint32_t best = kWindowParts;
  double least = WindowsCost(rest, best, threads);
  for (uint32_t size = kWindowParts - 1; size >= 1; --size) {
    const double cost = WindowsCost(rest, size, threads);
    if (cost < least - 1e-9) {
      least = cost;
      best = size;
    }
  }
  return best;
}

// How the spans [0, count) are cut into windows: span 0 alone first where
// its reading may be slow, so that its line comes out at once; then windows
// of the cheapest size, the last one holding what is left. A file the cache
// holds whole is one window: there is nothing to read ahead, and a window's
// end would only keep a thread waiting for the other.
struct Windows {
  Windows(uint32_t parts, unsigned threads, SeekCost cost) : count(parts) {
    if (cost == SeekCost::Cached) {
      size = std::max(count, 1u);
      total = count != 0 ? 1 : 0;
      return;
    }
    first = cost != SeekCost::None && parts != 0 ? 1 : 0;
    const uint32_t rest = count - first;
    if (rest != 0) size = CheapestWindowSize(rest, threads);
    total = first + (rest + size - 1) / size;
  }

  // The first span of `window`; `total` gives the end of the last.
  uint32_t Start(uint32_t window) const {
    if (window == 0) return 0;
    return std::min(count, first + (window - first) * size);
  }

  uint32_t count;
  uint32_t first = 0;
  uint32_t size = 1;
  uint32_t total = 0;
};

// How far the reader and each hashing thread are, in windows.
class WindowGate {
 public:
  explicit WindowGate(unsigned threads) : hashed_(threads, 0) {}

  // The reader: waits until every thread hashed the windows before `window - 1`.
  void WaitToRead(uint32_t window) {
    std::unique_lock<std::mutex> lock(mutex_);
    changed_.wait(lock, [&] {
      return window == 0 || *std::min_element(hashed_.begin(), hashed_.end()) + 1 >= window;
    });
  }

  // The reader: the windows before `windows` are asked for.
  void Read(uint32_t windows) {
    {
      std::lock_guard<std::mutex> lock(mutex_);
      read_ = windows;
    }
    changed_.notify_all();
  }

  // A hashing thread: waits until `window` is asked for.
  void WaitToHash(uint32_t window) {
    std::unique_lock<std::mutex> lock(mutex_);
    changed_.wait(lock, [&] { return read_ > window; });
  }

  // A hashing thread: it hashed the windows before `windows`.
  void Hashed(unsigned thread, uint32_t windows) {
    {
      std::lock_guard<std::mutex> lock(mutex_);
      hashed_[thread] = windows;
    }
    changed_.notify_all();
  }

 private:
  std::mutex mutex_;
  std::condition_variable changed_;
  uint32_t read_ = 0;
  std::vector<uint32_t> hashed_;
};

// One thread's share of every window: the spans i with i mod threads ==
// thread, in batches of lanes, each read through its own file.
void HashShares(FileIo& disk, const std::vector<PartSpan>& spans, unsigned thread,
                unsigned threads, const Windows& windows, WindowGate& gate, PartBoard& board) {
  std::vector<uint32_t> indices;
  for (uint32_t window = 0; window < windows.total; ++window) {
    gate.WaitToHash(window);
    indices.clear();
    const uint32_t end = windows.Start(window + 1);
    for (uint32_t i = windows.Start(window) + thread; i < end; i += threads) indices.push_back(i);
    if (!indices.empty())
      HashPartsInLanes(disk, LaneReaders{}, spans, indices, SplitIntoBatches(indices.size()), board);
    gate.Hashed(thread, window + 1);
  }
}

// Asks the system for the spans [first, end), once per run of spans that
// follow each other in one file; the runs of spans[0]'s file through `reader`.
// Spans no longer wanted need no reading: the threads pass over them.
void PrefetchWindow(FileIo& disk, File& reader, const std::vector<PartSpan>& spans,
                    uint32_t first, uint32_t end, PartBoard& board) {
  for (uint32_t run = first; run < end && board.Wanted(run);) {
    File* file = spans[run].file;
    const uint64_t start = spans[run].offset;
    uint64_t stop = start + spans[run].length;
    uint32_t next = run + 1;
    for (; next < end && spans[next].file == file && spans[next].offset == stop; ++next)
      stop += spans[next].length;
    if (stop > start) disk.Prefetch(file == spans[0].file ? reader : *file, start, stop - start);
    run = next;
  }
}

}  // namespace

void HashPartsInWindows(FileIo& disk, File& reader, const std::vector<PartSpan>& spans,
                        unsigned threads, SeekCost cost, PartBoard& board) {
  threads = std::max(1u, threads);
  const Windows windows(board.count(), threads, cost);
  WindowGate gate(threads);
  std::vector<std::thread> hashing;
  for (unsigned t = 0; t < threads; ++t) {
    hashing.emplace_back(HashShares, std::ref(disk), std::cref(spans), t, threads,
                         std::cref(windows), std::ref(gate), std::ref(board));
  }
  for (uint32_t window = 0; window < windows.total; ++window) {
    gate.WaitToRead(window);
    // A file the cache held whole when the check began needs no reading:
    // should the system drop some of it meanwhile, the lanes read those bytes.
    if (cost != SeekCost::Cached)
      PrefetchWindow(disk, reader, spans, windows.Start(window), windows.Start(window + 1), board);
    gate.Read(window + 1);
  }
  for (std::thread& thread : hashing) thread.join();
}
