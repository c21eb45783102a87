#include "reading/part_lanes.h"

#include <algorithm>
#include <cstdint>
#include <utility>

#include "hash/hash_routines.h"
#include "hash/md4_lanes.h"
#include "hash/sha1_lanes.h"
#include "platform/disk.h"
#include "reading/part_aich.h"
#include "reading/part_board.h"

namespace {

// One span in its lane: its place on the board, the handle it reads
// through, where its next step reads, and what it read.
struct Lane {
  uint32_t index = 0;
  File* reader = nullptr;
  uint64_t next = 0;
  uint64_t end = 0;
  size_t asked = 0;
  size_t got = 0;
  bool active = false;
  Md4Context context;
  PartAich aich{0, 0};
};

// Reads the step of every active lane; a lane whose read fails, or whose
// span is no longer wanted, drops out.
void ReadStep(FileIo& disk, Lane* lanes, size_t count, const StaggeredLaneBuffers& buffers,
              PartBoard& board) {
  for (size_t i = 0; i < count; ++i) {
    Lane& lane = lanes[i];
    if (!lane.active) continue;
    if (!board.Wanted(lane.index)) {
      lane.active = false;
      continue;
    }
    lane.asked = static_cast<size_t>(std::min<uint64_t>(kLaneStepBytes, lane.end - lane.next));
    ReadResult got = ReadFullyAt(disk, *lane.reader, lane.next, buffers.Lane(i), lane.asked);
    if (got.error) {
      board.Failed(lane.index, got.error);
      lane.active = false;
      continue;
    }
    lane.got = got.count;
  }
}

// For each group of the active lanes that `key` gives the same value (but
// kNoGroup), calls update(fields, data, n, value) with the lanes' `field`s
// and step buffers, in lane order: the lanes of a group hash side by side.
constexpr size_t kNoGroup = SIZE_MAX;
template <typename Field, typename Key, typename Update>
void UpdateGroups(Lane* lanes, size_t count, const StaggeredLaneBuffers& buffers,
                  Field Lane::*field, Key key, Update update) {
  bool grouped[kMd4MaxMessages] = {};
  for (size_t i = 0; i < count; ++i) {
    if (grouped[i] || !lanes[i].active || key(lanes[i]) == kNoGroup) continue;
    Field* fields[kMd4MaxMessages];
    const uint8_t* data[kMd4MaxMessages];
    size_t n = 0;
    for (size_t j = i; j < count; ++j) {
      if (grouped[j] || !lanes[j].active || key(lanes[j]) != key(lanes[i])) continue;
      grouped[j] = true;
      fields[n] = &(lanes[j].*field);
      data[n++] = buffers.Lane(j);
    }
    update(fields, data, n, key(lanes[i]));
  }
}

// Hashes the whole blocks of the step, the lanes that read as many together:
// all of them but near the end of a span, and a span the file's end cuts.
void HashStep(Lane* lanes, size_t count, const StaggeredLaneBuffers& buffers) {
  UpdateGroups(lanes, count, buffers, &Lane::context,
               [](const Lane& lane) { return lane.got / 64; }, Md4UpdateLanes);
}

// Feeds the step to the AICH trees hashed in lanes, the lanes that read as
// many bytes together (they were all fed alike before).
void HashAichStep(Lane* lanes, size_t count, const StaggeredLaneBuffers& buffers) {
  UpdateGroups(lanes, count, buffers, &Lane::aich,
               [](const Lane& lane) { return lane.aich.inLanes() ? lane.got : kNoGroup; },
               UpdateAichLanes);
}

// Moves every lane past its step; a lane at the end of its span or of the
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
    lane.aich.Done(board, lane.index, lane.context.digest);
    lane.active = false;
  }
  return left;
}

// The handle lane `lane` reads `span` through; one opened for it goes into
// `opened`, which has room for it (a File must not move while it is read).
File* LaneReader(FileIo& disk, const LaneReaders& readers, const PartSpan& span, size_t lane,
                 std::vector<File>& opened) {
  if (span.file == readers.of && lane < readers.handles.size()) return readers.handles[lane];
  if (!readers.openOthers) return span.file;
  OpenResult handle = disk.OpenSequentialReader(*span.file);
  if (!handle.ok()) return span.file;
  opened.push_back(std::move(handle.file));
  return &opened.back();
}

void HashBatch(FileIo& disk, const LaneReaders& readers, const std::vector<PartSpan>& spans,
               const uint32_t* indices, size_t count, const StaggeredLaneBuffers& buffers,
               PartBoard& board) {
  Lane lanes[kMd4MaxMessages];
  size_t aichs = 0;
  for (size_t i = 0; i < count; ++i) aichs += spans[indices[i]].aichSize != 0;
  // SHA-1 in lanes where enough of them are busy to beat the system's SHA-1:
  // with the processor's SHA instructions it runs at a third of 16 lanes of
  // AVX-512, without them at about half of 8 lanes of AVX2.
  const size_t width = aichs != 0 ? Sha1LaneWidth() : 0;
  const bool aichInLanes = width != 0 && aichs * 2 >= width;
  std::vector<File> opened;
  if (readers.openOthers) opened.reserve(count);
  for (size_t i = 0; i < count; ++i) {
    const PartSpan& span = spans[indices[i]];
    lanes[i].index = indices[i];
    lanes[i].reader = LaneReader(disk, readers, span, i, opened);
    lanes[i].next = span.offset;
    lanes[i].end = span.offset + span.length;
    lanes[i].active = true;
    lanes[i].aich = PartAich(span.aichSize, span.aichPart, aichInLanes ? width : 0);
    Md4Init(&lanes[i].context);
  }
  size_t left = count;
  while (left != 0) {
    ReadStep(disk, lanes, count, buffers, board);
    HashStep(lanes, count, buffers);
    if (aichInLanes) HashAichStep(lanes, count, buffers);
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

void HashPartsInLanes(FileIo& disk, const LaneReaders& readers, const std::vector<PartSpan>& spans,
                      const std::vector<uint32_t>& indices, const std::vector<size_t>& batches,
                      PartBoard& board) {
  size_t widest = 0;
  for (size_t batch : batches) widest = std::max(widest, batch);
  const StaggeredLaneBuffers buffers(widest, kLaneStepBytes);
  size_t done = 0;
  for (size_t batch : batches) {
    HashBatch(disk, readers, spans, indices.data() + done, batch, buffers, board);
    done += batch;
  }
}
