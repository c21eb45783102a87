#include "hash/part_window.h"

#include <algorithm>
#include <condition_variable>
#include <mutex>
#include <thread>

#include "hash/hash_routines.h"
#include "hash/part_board.h"
#include "hash/part_lanes.h"
#include "platform/disk.h"

namespace {

// Windows of the parts [0, count): the first holds part 0 alone, so that its
// line comes out at once, then kWindowParts parts each.
uint32_t WindowCount(uint32_t count) {
  return count == 0 ? 0 : 1 + (count - 1 + kWindowParts - 1) / kWindowParts;
}

uint32_t WindowStart(uint32_t window, uint32_t count) {
  return window == 0 ? 0 : std::min(count, 1 + (window - 1) * kWindowParts);
}

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
                bool aich, WindowGate& gate, PartBoard& board) {
  const uint32_t count = board.count(), windows = WindowCount(count);
  std::vector<uint32_t> parts;
  for (uint32_t window = 0; window < windows; ++window) {
    gate.WaitToHash(window);
    parts.clear();
    const uint32_t end = WindowStart(window + 1, count);
    for (uint32_t part = WindowStart(window, count) + thread; part < end; part += threads)
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
                        bool aich, PartBoard& board) {
  threads = std::max(1u, threads);
  WindowGate gate(threads);
  std::vector<std::thread> hashing;
  for (unsigned t = 0; t < threads; ++t) {
    hashing.emplace_back(HashShares, std::ref(disk), std::ref(data), t, threads, size, aich,
                         std::ref(gate), std::ref(board));
  }
  const uint32_t count = board.count(), windows = WindowCount(count);
  for (uint32_t window = 0; window < windows; ++window) {
    gate.WaitToRead(window);
    const uint32_t first = WindowStart(window, count);
    const uint64_t start = std::min<uint64_t>(uint64_t{first} * kPartSize, size);
    const uint64_t end = std::min<uint64_t>(uint64_t{WindowStart(window + 1, count)} * kPartSize, size);
    // Parts no longer wanted need no reading; the threads pass over them.
    if (board.Wanted(first) && end > start) disk.Prefetch(reader, start, end - start);
    gate.Read(window + 1);
  }
  for (std::thread& thread : hashing) thread.join();
}
