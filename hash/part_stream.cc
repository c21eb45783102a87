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
#include "hash/md4_lanes.h"
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

// The chunk buffers and the chunks read for the hasher, under one lock: a
// handful of hand-overs per megabyte cost nothing beside reads and hashing.
class Pipeline {
 public:
  Pipeline() : storage_(new uint8_t[kStreamChunks * kStreamChunkBytes]) {
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

  void Push(const Chunk& chunk) {
    {
      std::lock_guard<std::mutex> lock(mutex_);
      read_.push_back(chunk);
    }
    changed_.notify_all();
  }

  // Moves the chunks read since the last call to `chunks`, first waiting for
  // one if `wait`; false when waiting finds the reader done and nothing left.
  bool Take(std::vector<Chunk>* chunks, bool wait) {
    std::unique_lock<std::mutex> lock(mutex_);
    if (wait) changed_.wait(lock, [&] { return stopped_ || !read_.empty(); });
    if (wait && read_.empty()) return false;
    chunks->assign(read_.begin(), read_.end());
    read_.clear();
    return true;
  }

  // No more chunks come; the hasher hashes those it has and ends.
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
  std::vector<Chunk> read_;
  bool stopped_ = false;
};

// A part in a lane: its chunks read and not yet hashed, in order.
struct StreamLane {
  uint32_t part = 0;
  Md4Context context;
  std::deque<Chunk> chunks;
  // Bytes of the front chunk hashed.
  size_t used = 0;

  size_t WholeBlocksWaiting() const { return chunks.empty() ? 0 : (chunks.front().size - used) / 64; }
};

// Takes the chunks read into the lanes, a lane for each new part.
void Arrive(const std::vector<Chunk>& chunks, std::deque<StreamLane>& lanes) {
  for (const Chunk& chunk : chunks) {
    if (lanes.empty() || lanes.back().part != chunk.part) {
      lanes.emplace_back();
      lanes.back().part = chunk.part;
      Md4Init(&lanes.back().context);
    }
    lanes.back().chunks.push_back(chunk);
  }
}

// Hashes the front chunk of the oldest lanes with whole blocks waiting, up to
// kMd4MaxMessages side by side, as far as the shortest of them reaches.
void HashRound(std::deque<StreamLane>& lanes) {
  Md4Context* contexts[kMd4MaxMessages];
  const uint8_t* data[kMd4MaxMessages];
  StreamLane* fed[kMd4MaxMessages];
  size_t n = 0, blocks = 0;
  for (StreamLane& lane : lanes) {
    const size_t waiting = lane.WholeBlocksWaiting();
    if (waiting == 0) continue;
    blocks = n == 0 ? waiting : std::min(blocks, waiting);
    contexts[n] = &lane.context;
    data[n] = lane.chunks.front().bytes + lane.used;
    fed[n++] = &lane;
    if (n == kMd4MaxMessages) break;
  }
  if (n == 0) return;
  Md4UpdateLanes(contexts, data, n, blocks);
  for (size_t i = 0; i < n; ++i) fed[i]->used += blocks * 64;
}

// Gives back the chunks hashed and finishes the parts whose last chunk is
// down to its last partial block; drops the parts no longer wanted.
void Retire(std::deque<StreamLane>& lanes, Pipeline& pipeline, PartBoard& board) {
  for (auto lane = lanes.begin(); lane != lanes.end();) {
    bool finished = !board.Wanted(lane->part);
    while (!finished && !lane->chunks.empty() && lane->WholeBlocksWaiting() == 0) {
      Chunk& front = lane->chunks.front();
      if (front.last) {
        const size_t tail = front.size - lane->used;
        if (tail != 0) Md4Update(&lane->context, front.bytes + lane->used, static_cast<uint32_t>(tail));
        Md4Final(&lane->context);
        board.Done(lane->part, lane->context.digest);
        finished = true;
        break;
      }
      pipeline.GiveBuffer(front.bytes);
      lane->chunks.pop_front();
      lane->used = 0;
    }
    if (!finished) {
      ++lane;
      continue;
    }
    for (const Chunk& chunk : lane->chunks) pipeline.GiveBuffer(chunk.bytes);
    lane = lanes.erase(lane);
  }
}

// Hashes the parts as their chunks come, in lanes side by side: while the
// hasher keeps up it hashes the part being read alone; when it falls behind,
// the parts waiting pile up and go through the lanes together, each round
// hashing more of them at once, until it keeps up again.
void RunHasher(Pipeline& pipeline, PartBoard& board) {
  std::deque<StreamLane> lanes;
  std::vector<Chunk> arrived;
  for (;;) {
    bool idle = true;
    for (const StreamLane& lane : lanes) idle = idle && lane.WholeBlocksWaiting() == 0;
    if (!pipeline.Take(&arrived, idle)) break;
    Arrive(arrived, lanes);
    HashRound(lanes);
    Retire(lanes, pipeline, board);
  }
  // Parts the reader never finished: a read failed, or the check was given up.
  for (const StreamLane& lane : lanes) {
    for (const Chunk& chunk : lane.chunks) pipeline.GiveBuffer(chunk.bytes);
  }
}

// Reads the part in chunks and queues them for its hasher. False when the
// reading must end: a read failed, or nothing is wanted any more.
bool ReadPart(Disk& disk, File& reader, uint32_t part, uint64_t size,
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
    pipeline.Push(Chunk{part, buffer, got.count, last});
    if (last) return board.Wanted(part + 1);
  }
  // Past the end of the file a part holds nothing.
  pipeline.Push(Chunk{part, nullptr, 0, true});
  return board.Wanted(part + 1);
}

}  // namespace

void HashPartsInStream(Disk& disk, File& reader, uint64_t size, PartBoard& board) {
  Pipeline pipeline;
  std::thread hasher(RunHasher, std::ref(pipeline), std::ref(board));
  bool atEnd = false;
  for (uint32_t part = 0; part < board.count(); ++part) {
    if (!ReadPart(disk, reader, part, size, &atEnd, pipeline, board)) break;
  }
  pipeline.Stop();
  hasher.join();
}
