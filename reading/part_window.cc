#include "reading/part_window.h"

#include <algorithm>
#include <condition_variable>
#include <mutex>
#include <thread>

#include "met/part_layout.h"
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

// How the parts [0, count) are cut into windows: part 0 alone first where
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

  // The first part of `window`; `total` gives the end of the last.
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

// One thread's share of every window: the parts p with p mod threads ==
// thread, in batches of lanes, all of them read through the data file.
void HashShares(Disk& disk, File& data, unsigned thread, unsigned threads, uint64_t size,
                bool aich, const Windows& windows, WindowGate& gate, PartBoard& board) {
  std::vector<uint32_t> parts;
  for (uint32_t window = 0; window < windows.total; ++window) {
    gate.WaitToHash(window);
    parts.clear();
    const uint32_t end = windows.Start(window + 1);
    for (uint32_t part = windows.Start(window) + thread; part < end; part += threads)
      parts.push_back(part);
    if (!parts.empty()) {
      const std::vector<size_t> batches = SplitIntoBatches(parts.size());
      const std::vector<File*> readers(batches.front(), &data);
      HashPartsInLanes(disk, readers, parts, batches, size, aich, board);
    }
    gate.Hashed(thread, window + 1);
  }
}

}  // namespace

void HashPartsInWindows(Disk& disk, File& reader, File& data, unsigned threads, uint64_t size,
                        bool aich, SeekCost cost, PartBoard& board) {
  threads = std::max(1u, threads);
  const Windows windows(board.count(), threads, cost);
  WindowGate gate(threads);
  std::vector<std::thread> hashing;
  for (unsigned t = 0; t < threads; ++t) {
    hashing.emplace_back(HashShares, std::ref(disk), std::ref(data), t, threads, size, aich,
                         std::cref(windows), std::ref(gate), std::ref(board));
  }
  for (uint32_t window = 0; window < windows.total; ++window) {
    gate.WaitToRead(window);
    const uint32_t first = windows.Start(window);
    const uint64_t start = std::min<uint64_t>(uint64_t{first} * kPartSize, size);
    const uint64_t end = std::min<uint64_t>(uint64_t{windows.Start(window + 1)} * kPartSize, size);
    // Parts no longer wanted need no reading; the threads pass over them.
    // Nor does a file the cache held whole when the check began: should the
    // system drop some of it meanwhile, the lanes read those bytes themselves.
    if (cost != SeekCost::Cached && board.Wanted(first) && end > start)
      disk.Prefetch(reader, start, end - start);
    gate.Read(window + 1);
  }
  for (std::thread& thread : hashing) thread.join();
}
