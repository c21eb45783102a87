#include "hash/part_lanes.h"

#include <algorithm>

#include "hash/hash_routines.h"
#include "hash/md4_lanes.h"
#include "hash/part_aich.h"
#include "hash/part_board.h"
#include "platform/disk.h"

namespace {

// One part in its lane: where its next step reads, and what it read.
struct Lane {
  uint32_t part = 0;
  uint64_t next = 0;
  uint64_t end = 0;
  size_t asked = 0;
  size_t got = 0;
  bool active = false;
  Md4Context context;
  PartAich aich{false, 0};
};

// Reads the step of every active lane; a lane whose read fails, or whose
// part is no longer wanted, drops out.
void ReadStep(Disk& disk, const std::vector<File*>& readers, Lane* lanes, size_t count,
              const StaggeredLaneBuffers& buffers, PartBoard& board) {
  for (size_t i = 0; i < count; ++i) {
    Lane& lane = lanes[i];
    if (!lane.active) continue;
    if (!board.Wanted(lane.part)) {
      lane.active = false;
      continue;
    }
    lane.asked = static_cast<size_t>(std::min<uint64_t>(kLaneStepBytes, lane.end - lane.next));
    ReadResult got = ReadFullyAt(disk, *readers[i], lane.next, buffers.Lane(i), lane.asked);
    if (got.error) {
      board.Failed(lane.part, got.error);
      lane.active = false;
      continue;
    }
    lane.got = got.count;
  }
}

// Hashes the whole blocks of the step, the lanes that read as many together:
// all of them but near the end of a part, and the file's last part.
void HashStep(Lane* lanes, size_t count, const StaggeredLaneBuffers& buffers) {
  bool fed[kMd4MaxMessages] = {};
  for (size_t i = 0; i < count; ++i) {
    if (fed[i] || !lanes[i].active) continue;
    const size_t blocks = lanes[i].got / 64;
    Md4Context* contexts[kMd4MaxMessages];
    const uint8_t* data[kMd4MaxMessages];
    size_t n = 0;
    for (size_t j = i; j < count; ++j) {
      if (fed[j] || !lanes[j].active || lanes[j].got / 64 != blocks) continue;
      fed[j] = true;
      contexts[n] = &lanes[j].context;
      data[n++] = buffers.Lane(j);
    }
    Md4UpdateLanes(contexts, data, n, blocks);
  }
}

// Moves every lane past its step; a lane at the end of its part or of the
// file hashes its last bytes and leaves its digest. The lanes left.
size_t FinishStep(Lane* lanes, size_t count, const StaggeredLaneBuffers& buffers,
                  PartBoard& board) {
  size_t left = 0;
  for (size_t i = 0; i < count; ++i) {
    Lane& lane = lanes[i];
    if (!lane.active) continue;
    lane.aich.Update(buffers.Lane(i), lane.got);
    lane.next += lane.got;
    if (lane.got == lane.asked && lane.next < lane.end) {
      ++left;
      continue;
    }
    const size_t whole = lane.got & ~size_t{63};
    Md4Update(&lane.context, buffers.Lane(i) + whole, static_cast<uint32_t>(lane.got - whole));
    Md4Final(&lane.context);
    lane.aich.Done(board, lane.part, lane.context.digest);
    lane.active = false;
  }
  return left;
}

void HashBatch(Disk& disk, const std::vector<File*>& readers, const uint32_t* parts,
               size_t count, uint64_t size, bool aich, const StaggeredLaneBuffers& buffers,
               PartBoard& board) {
  Lane lanes[kMd4MaxMessages];
  for (size_t i = 0; i < count; ++i) {
    lanes[i].part = parts[i];
    lanes[i].next = std::min<uint64_t>(parts[i] * kPartSize, size);
    lanes[i].end = std::min<uint64_t>(lanes[i].next + kPartSize, size);
    lanes[i].active = true;
    lanes[i].aich = PartAich(aich, size);
    Md4Init(&lanes[i].context);
  }
  size_t left = count;
  while (left != 0) {
    ReadStep(disk, readers, lanes, count, buffers, board);
    HashStep(lanes, count, buffers);
    left = FinishStep(lanes, count, buffers, board);
  }
}

}  // namespace

std::vector<size_t> SplitIntoBatches(size_t count) {
  double cost[kMd4MaxMessages + 1] = {0};
  for (size_t k = 1; k <= kMd4MaxMessages; ++k) cost[k] = Md4LanesCost(k);
  // best[m]: the least cost of m parts; first[m]: the batch it starts with.
  std::vector<double> best(count + 1, 0);
  std::vector<size_t> first(count + 1, 0);
  for (size_t m = 1; m <= count; ++m) {
    for (size_t k = std::min(m, kMd4MaxMessages); k >= 1; --k) {
      const double total = cost[k] + best[m - k];
      // Ties go to the larger batch, found first.
      if (first[m] == 0 || total < best[m] - 1e-9) {
        best[m] = total;
        first[m] = k;
      }
    }
  }
  std::vector<size_t> batches;
  for (size_t m = count; m != 0; m -= first[m]) batches.push_back(first[m]);
  std::sort(batches.rbegin(), batches.rend());
  return batches;
}

double BatchesCost(size_t count) {
  double total = 0;
  for (size_t batch : SplitIntoBatches(count)) total += Md4LanesCost(batch);
  return total;
}

void HashPartsInLanes(Disk& disk, const std::vector<File*>& readers,
                      const std::vector<uint32_t>& parts, const std::vector<size_t>& batches,
                      uint64_t size, bool aich, PartBoard& board) {
  size_t widest = 0;
  for (size_t batch : batches) widest = std::max(widest, batch);
  const StaggeredLaneBuffers buffers(widest, kLaneStepBytes);
  size_t done = 0;
  for (size_t batch : batches) {
    HashBatch(disk, readers, parts.data() + done, batch, size, aich, buffers, board);
    done += batch;
  }
}
