#include "gaps/gap_clear.h"

#include <algorithm>
#include <optional>
#include <string>
#include <vector>

#include "gaps/gap_list.h"
#include "gaps/gap_messages.h"
#include "platform/byte_size.h"
#include "platform/console.h"
#include "platform/disk.h"

namespace {

// What carries over from one gap to the next.
struct ClearRun {
  ClearRun(Disk& d, Console& c, File& f, bool sparse, const std::function<bool()>& i)
      : disk(d), console(c), file(f), sparseRoute(sparse), interrupted(i) {}

  Disk& disk;
  Console& console;
  File& file;
  /// Cleared by the first release the file system refuses: from then on
  /// every gap is zero-filled.
  bool sparseRoute;
  std::vector<char> zeros;
  std::vector<char> read;
  /// Bytes this run gave back or overwrote: what held data before.
  uint64_t total = 0;
  bool failed = false;
  /// Set once another program asked for the file: nothing more is written.
  bool stopped = false;
  /// Asked between chunks and gaps whether the run is to end.
  const std::function<bool()>& interrupted;
  /// Set once `interrupted` said so: nothing more is done or printed.
  bool ended = false;
};

bool Interrupted(ClearRun& run) {
  if (!run.ended && run.interrupted && run.interrupted()) run.ended = true;
  return run.ended;
}

void ReportError(ClearRun& run, int error) {
  Print(run.console, kMsgGapError, error);
  run.failed = true;
}

// The busy code, once another program wants the file: it waits for the
// tool to let go, and must find nothing half-written after. The caller
// reports it as the gap's error.
int StillExclusive(ClearRun& run) {
  int error = run.disk.ConfirmExclusive(run.file);
  if (error) run.stopped = true;
  return error;
}

// The parts of [start, end) that hold data; where the disk cannot tell, all.
std::vector<ByteRange> DataIn(ClearRun& run, uint64_t start, uint64_t end) {
  std::vector<ByteRange> ranges;
  if (run.disk.DataRanges(run.file, start, end, &ranges) != 0) ranges.assign(1, {start, end});
  return ranges;
}

uint64_t TotalLength(const std::vector<ByteRange>& ranges) {
  uint64_t total = 0;
  for (const ByteRange& range : ranges) total += range.end - range.start;
  return total;
}

// Reads [start, start + count) (at most a chunk) into run.read; 0 or the
// error code. The file reaches that far: the range lies inside it.
int ReadRange(ClearRun& run, uint64_t start, size_t count) {
  if (run.read.size() < kZeroFillChunk) run.read.resize(kZeroFillChunk);
  if (int error = run.disk.Seek(run.file, start)) return error;
  for (size_t got = 0; got < count;) {
    ReadResult piece = run.disk.Read(run.file, run.read.data() + got, count - got);
    if (piece.error) return piece.error;
    if (piece.count == 0) {
      std::fill(run.read.begin() + static_cast<std::ptrdiff_t>(got),
                run.read.begin() + static_cast<std::ptrdiff_t>(count), '\0');
      break;
    }
    got += piece.count;
  }
  return 0;
}

bool AllZero(const char* bytes, size_t count) {
  return std::all_of(bytes, bytes + count, [](char c) { return c == '\0'; });
}

// What of the gap's data a release leaves in place: the ends of a gap may
// share a block with data outside it, and the system zeroes those bytes but
// keeps the block. They count as cleared only where they held data, so
// that a second run counts nothing. `head` and `tail` hold the bytes at the
// gap's ends as they were before the release.
uint64_t ZeroedInPlace(const std::vector<ByteRange>& left, uint64_t start, const std::string& head,
                       uint64_t end, const std::string& tail) {
  uint64_t zeroed = 0;
  for (const ByteRange& range : left) {
    bool known = false, held = false;
    if (range.end <= start + head.size()) {
      known = true;
      held = !AllZero(head.data() + (range.start - start), range.end - range.start);
    } else if (range.start >= end - tail.size()) {
      known = true;
      held = !AllZero(tail.data() + (range.start - (end - tail.size())), range.end - range.start);
    }
    if (!known || held) zeroed += range.end - range.start;
  }
  return zeroed;
}

// The bytes of [from, to) as they are now, holes as zeros, or nothing when
// they cannot be read.
std::optional<std::string> Snapshot(ClearRun& run, const std::vector<ByteRange>& data,
                                    uint64_t from, uint64_t to) {
  std::string bytes(to - from, '\0');
  for (const ByteRange& range : data) {
    const uint64_t a = std::max(range.start, from), b = std::min(range.end, to);
    if (a >= b) continue;
    if (ReadRange(run, a, static_cast<size_t>(b - a)) != 0) return std::nullopt;
    std::copy_n(run.read.begin(), b - a, bytes.begin() + static_cast<std::ptrdiff_t>(a - from));
  }
  return bytes;
}

// One release request for the part of the gap inside the file. An empty
// gap, or one that holds no data, asks for nothing (an empty range is an
// error to some systems). False when the file system refused, with nothing
// printed.
bool ReleaseGap(ClearRun& run, uint64_t start, uint64_t inside) {
  const uint64_t end = start + inside;
  const std::vector<ByteRange> before = inside ? DataIn(run, start, end) : std::vector<ByteRange>();
  if (!before.empty()) {
    const uint64_t window = std::min<uint64_t>(inside, kZeroFillChunk);
    std::optional<std::string> head = Snapshot(run, before, start, start + window);
    std::optional<std::string> tail = Snapshot(run, before, end - window, end);
    if (!head || !tail) head = tail = std::string();  // then every byte left counts
    // Only zeros where the data lies, as a released gap leaves its ends:
    // nothing to ask for.
    if (ZeroedInPlace(before, start, *head, end, *tail) == 0) {
      run.console.Write(kMsgReleased);
      return true;
    }
    if (int error = StillExclusive(run)) {
      ReportError(run, error);
      return true;
    }
    if (run.disk.PunchHole(run.file, start, inside) != 0) return false;
    const std::vector<ByteRange> after = DataIn(run, start, end);
    const uint64_t released = TotalLength(before) - std::min(TotalLength(before), TotalLength(after));
    run.total += released + ZeroedInPlace(after, start, *head, end, *tail);
  }
  run.console.Write(kMsgReleased);
  return true;
}

// Zeros the data in [start, end) (at most a chunk) where it is not zero
// already: a hole reads as zeros, and writing zeros into it would take the
// storage the user asked to give back. Adds what it overwrote to `zeroed`;
// 0 or the error code, the busy code once another program wants the file.
int ZeroChunk(ClearRun& run, const std::vector<ByteRange>& data, uint64_t start, uint64_t end,
              uint64_t* zeroed) {
  for (const ByteRange& range : data) {
    const uint64_t a = std::max(range.start, start), b = std::min(range.end, end);
    if (a >= b) continue;
    const size_t count = static_cast<size_t>(b - a);
    if (int error = ReadRange(run, a, count)) return error;
    if (AllZero(run.read.data(), count)) continue;
    if (int error = StillExclusive(run)) return error;
    if (int error = run.disk.Seek(run.file, a)) return error;
    if (int error = run.disk.Write(run.file, run.zeros.data(), count)) return error;
    *zeroed += count;
  }
  return 0;
}

// Overwrites the gap's data inside the file with zeros, chunk by chunk. A
// terminal shows the percentage after each chunk in place; output kept in a
// file or read by a program gets only the last figure reached, before the
// line ends (or the gap's error is told). Nothing outside the gap is read
// or written.
void ZeroFillGap(ClearRun& run, uint64_t start, uint64_t length, uint64_t inside) {
  if (length == 0) {
    run.console.Write("\n");
    return;
  }
  if (run.zeros.empty()) run.zeros.assign(kZeroFillChunk, 0);
  const bool marked = run.console.MarkCursor();
  const uint64_t end = start + inside;
  const std::vector<ByteRange> data = DataIn(run, start, end);
  uint64_t zeroed = 0;
  std::string figure;  // the last one, while it is not shown
  int error = 0;
  for (uint64_t at = start; at < end && !Interrupted(run);) {
    const uint64_t next = std::min<uint64_t>(at + kZeroFillChunk, end);
    error = ZeroChunk(run, data, at, next, &zeroed);
    if (error) break;
    at = next;
    figure = Format(kMsgZeroing, static_cast<unsigned>((at - start) * 100 / length));
    if (marked) {
      run.console.RedrawFromMark();
      run.console.Write(figure);
      figure.clear();
    }
  }
  run.console.Write(figure);
  // What was overwritten before a failure or an interrupt counts all the same.
  run.total += zeroed;
  if (error)
    ReportError(run, error);
  else
    run.console.Write("\n");
}

void ClearGap(ClearRun& run, const MetGap& gap) {
  std::string start = FormatByteSize(gap.start);
  std::string last = FormatByteSize(ShownLastByte(gap));
  if (!gap.IsValid()) {
    Print(run.console, kMsgInvalidGap, start.c_str(), last.c_str());
    return;
  }
  const uint64_t length = gap.end - gap.start;
  Print(run.console, kMsgGapLine, start.c_str(), last.c_str(), FormatByteSize(length).c_str());
  uint64_t fileSize = 0;
  if (int error = run.disk.FileSize(run.file, &fileSize)) {
    ReportError(run, error);
    return;
  }
  if (gap.start >= fileSize) {
    run.console.Write(kMsgNoData);
    return;
  }
  const uint64_t inside = std::min(length, fileSize - gap.start);
  if (run.sparseRoute && ReleaseGap(run, gap.start, inside)) return;
  run.sparseRoute = false;
  ZeroFillGap(run, gap.start, length, inside);
}

// The part [start, end) of a valid gap.
MetGap Piece(const MetGap& gap, uint64_t start, uint64_t end) {
  MetGap piece = gap;
  piece.start = start;
  piece.end = end;
  return piece;
}

// A piece of a gap, and whether it lies in a part kept for the client.
struct GapPiece {
  MetGap gap;
  bool kept = false;
};

// The gap cut where it enters and leaves the kept ranges (ascending, apart).
std::vector<GapPiece> SplitAtKept(const MetGap& gap, const std::vector<ByteRange>& kept) {
  std::vector<GapPiece> pieces;
  if (!gap.IsValid()) return {GapPiece{gap, false}};
  uint64_t at = gap.start;
  for (const ByteRange& range : kept) {
    const uint64_t a = std::max(range.start, at), b = std::min(range.end, gap.end);
    if (a >= b) continue;
    if (at < a) pieces.push_back(GapPiece{Piece(gap, at, a), false});
    pieces.push_back(GapPiece{Piece(gap, a, b), true});
    at = b;
  }
  if (pieces.empty() || at < gap.end) pieces.push_back(GapPiece{Piece(gap, at, gap.end), false});
  return pieces;
}

void ListKept(ClearRun& run, const MetGap& gap) {
  Print(run.console, kMsgGapLine, FormatByteSize(gap.start).c_str(),
        FormatByteSize(ShownLastByte(gap)).c_str(), FormatByteSize(gap.end - gap.start).c_str());
  run.console.Write(kMsgKept);
}

}  // namespace

bool ClearGaps(File& file, const std::vector<MetGap>& gaps, const std::string& partPath,
               bool nosparse, Disk& disk, Console& console, const std::vector<ByteRange>& kept,
               const std::function<bool()>& interrupted, uint64_t* cleared) {
  // The mark is asked for even under /nosparse, which only picks the route.
  bool sparse = disk.SetSparse(file) == 0 && !nosparse;
  ClearRun run(disk, console, file, sparse, interrupted);
  for (const MetGap& gap : gaps) {
    for (const GapPiece& piece : SplitAtKept(gap, kept)) {
      if (Interrupted(run)) break;
      if (piece.kept)
        ListKept(run, piece.gap);
      else
        ClearGap(run, piece.gap);
      if (run.stopped) break;
    }
    if (run.ended) break;
    if (run.stopped) {
      Print(console, kMsgStopped, partPath.c_str());
      break;
    }
  }
  if (cleared) *cleared = run.total;
  if (run.ended) return false;
  Print(console, kMsgCleanedSpace, partPath.c_str(), FormatByteSize(run.total).c_str());
  return !run.failed;
}
