#include "hash/part_stream.h"

#include <algorithm>
#include <condition_variable>
#include <deque>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "hash/hash_routines.h"
#include "hash/md4.h"
#include "hash/part_aich.h"
#include "hash/part_board.h"
#include "platform/disk.h"

namespace {

static_assert(kPartSize % kStreamChunkBytes == 0 && kStreamChunkBytes % 64 == 0,
              "a chunk is a whole number of blocks, and a part of whole chunks");

// A piece of one part as read, in order; the last piece of a part may be
// short or empty and carries no buffer then.
struct Chunk {
  uint32_t part = 0;
  uint8_t* bytes = nullptr;
  size_t size = 0;
  bool last = false;
};

// The chunk buffers and the hashers' queues, under one lock: a handful of
// hand-overs per megabyte cost nothing beside the reads and the hashing.
class Pipeline {
 public:
  explicit Pipeline(unsigned hashers) : storage_(new uint8_t[kStreamChunks * kStreamChunkBytes]),
                               queues_(hashers) {
    for (size_t i = 0; i < kStreamChunks; ++i) free_.push_back(&storage_[i * kStreamChunkBytes]);
  }

  // A buffer to read into; nullptr once the work stopped.
  uint8_t* TakeBuffer() {
    std::unique_lock<std::mutex> lock(mutex_);
    changed_.wait(lock, [&] { return stopped_ || !free_.empty(); });
    if (stopped_) return nullptr;
    uint8_t* buffer = free_.back();
    free_.pop_back();
    return buffer;
  }

  void GiveBuffer(uint8_t* buffer) {
    if (!buffer) return;
    {
      std::lock_guard<std::mutex> lock(mutex_);
      free_.push_back(buffer);
    }
    changed_.notify_all();
  }

  void Push(unsigned hasher, const Chunk& chunk) {
    {
      std::lock_guard<std::mutex> lock(mutex_);
      queues_[hasher].push_back(chunk);
    }
    changed_.notify_all();
  }

  // The hasher's next chunk; false when the reader is done and its queue empty.
  bool Pop(unsigned hasher, Chunk* chunk) {
    std::unique_lock<std::mutex> lock(mutex_);
    std::deque<Chunk>& queue = queues_[hasher];
    changed_.wait(lock, [&] { return stopped_ || !queue.empty(); });
    if (queue.empty()) return false;
    *chunk = queue.front();
    queue.pop_front();
    return true;
  }

  // No more chunks come; the hashers empty their queues and end.
  void Stop() {
    {
      std::lock_guard<std::mutex> lock(mutex_);
      stopped_ = true;
    }
    changed_.notify_all();
  }

 private:
  std::unique_ptr<uint8_t[]> storage_;
  std::mutex mutex_;
  std::condition_variable changed_;
  std::vector<uint8_t*> free_;
  std::vector<std::deque<Chunk>> queues_;
  bool stopped_ = false;
};

// Hashes the parts whose chunks come to its queue, one part after another.
void RunHasher(Pipeline& pipeline, unsigned hasher, PartAich aich, PartBoard& board) {
  Md4Context context;
  bool started = false;
  Chunk chunk;
  while (pipeline.Pop(hasher, &chunk)) {
    if (!started) Md4Init(&context);
    started = !chunk.last;
    if (board.Wanted(chunk.part)) {
      if (chunk.size != 0) Md4Update(&context, chunk.bytes, static_cast<uint32_t>(chunk.size));
      aich.Update(chunk.bytes, chunk.size);
      if (chunk.last) {
        Md4Final(&context);
        aich.Done(board, chunk.part, context.digest);
      }
    }
    pipeline.GiveBuffer(chunk.bytes);
  }
}

// Reads the part in chunks and queues them for its hasher. False when the
// reading must end: a read failed, or nothing is wanted any more.
bool ReadPart(Disk& disk, File& reader, uint32_t part, unsigned hasher, uint64_t size,
              bool* atEnd, Pipeline& pipeline, PartBoard& board) {
  const uint64_t end = std::min<uint64_t>((uint64_t{part} + 1) * kPartSize, size);
  uint64_t next = std::min<uint64_t>(part * kPartSize, size);
  while (!*atEnd) {
    if (!board.Wanted(part)) return false;
    uint8_t* buffer = pipeline.TakeBuffer();
    if (!buffer) return false;
    const size_t asked = static_cast<size_t>(std::min<uint64_t>(kStreamChunkBytes, end - next));
    ReadResult got = ReadFullyAt(disk, reader, next, buffer, asked);
    if (got.error) {
      pipeline.GiveBuffer(buffer);
      board.Failed(part, got.error);
      return false;
    }
    next += got.count;
    *atEnd = got.count < asked;
    const bool last = *atEnd || next == end;
    pipeline.Push(hasher, Chunk{part, buffer, got.count, last});
    if (last) return board.Wanted(part + 1);
  }
  // Past the end of the file a part holds nothing.
  pipeline.Push(hasher, Chunk{part, nullptr, 0, true});
  return board.Wanted(part + 1);
}

}  // namespace

void HashPartsInStream(Disk& disk, File& reader, unsigned hashers, uint64_t size, bool aich,
                       PartBoard& board) {
  hashers = std::max(1u, std::min(hashers, kMaxStreamHashers));
  Pipeline pipeline(hashers);
  std::vector<std::thread> threads;
  for (unsigned h = 0; h < hashers; ++h)
    threads.emplace_back(RunHasher, std::ref(pipeline), h, PartAich(aich, size), std::ref(board));
  bool atEnd = false;
  for (uint32_t part = 0; part < board.count(); ++part) {
    if (!ReadPart(disk, reader, part, part % hashers, size, &atEnd, pipeline, board)) break;
  }
  pipeline.Stop();
  for (std::thread& thread : threads) thread.join();
}
