#include "recover/data_gaps.h"

#include <algorithm>
#include <vector>

#include "platform/console.h"
#include "platform/disk.h"
#include "judge/judge_messages.h"

namespace {

constexpr size_t kChunk = 1 << 20;

// Collects the zero runs as the file's bytes go by.
class ZeroRuns {
 public:
  // `count` zeros from `at` on; `hole` when they are a hole.
  void Zeros(uint64_t at, uint64_t count, bool hole) {
    if (!open_) {
      open_ = true;
      start_ = at;
      hole_ = false;
    }
    hole_ |= hole;
    end_ = at + count;
  }

  void Data() {
    if (!open_) return;
    open_ = false;
    if (hole_ || end_ - start_ >= kMinZeroRun) {
      MetGap gap;
      gap.start = start_;
      gap.end = end_;
      gap.startStored = gap.endStored = true;
      gaps_.push_back(gap);
    }
  }

  GapTable Finish() {
    Data();
    return std::move(gaps_);
  }

 private:
  bool open_ = false;
  bool hole_ = false;
  uint64_t start_ = 0;
  uint64_t end_ = 0;
  GapTable gaps_;
};

// Feeds the bytes of a chunk read at `at`.
void Scan(const uint8_t* bytes, size_t count, uint64_t at, ZeroRuns& runs) {
  size_t i = 0;
  while (i < count) {
    size_t from = i;
    while (i < count && bytes[i] == 0) ++i;
    if (i > from) runs.Zeros(at + from, i - from, false);
    if (i < count) runs.Data();
    while (i < count && bytes[i] != 0) ++i;
  }
}

}  // namespace

std::optional<GapTable> UnwrittenRanges(File& data, uint64_t length, const std::string& partPath,
                                        FileIo& disk, Console& console) {
  std::vector<ByteRange> ranges;
  if (length > 0) {
    if (int error = disk.DataRanges(data, 0, length, &ranges)) {
      Print(console, kMsgReadFailed, partPath.c_str(), error);
      return std::nullopt;
    }
  }
  ZeroRuns runs;
  std::vector<uint8_t> buffer(kChunk);
  uint64_t at = 0;
  for (const ByteRange& range : ranges) {
    if (range.start > at) runs.Zeros(at, range.start - at, true);
    for (at = range.start; at < range.end;) {
      const size_t want = static_cast<size_t>(std::min<uint64_t>(kChunk, range.end - at));
      ReadResult got = disk.ReadAt(data, at, buffer.data(), want);
      if (got.error || got.count == 0) {
        Print(console, kMsgReadFailed, partPath.c_str(), got.error ? got.error : -1);
        return std::nullopt;
      }
      Scan(buffer.data(), got.count, at, runs);
      at += got.count;
    }
  }
  if (length > at) runs.Zeros(at, length - at, true);
  return runs.Finish();
}
