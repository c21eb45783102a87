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
  ClearRun(FileIo& d, Console& c, File& f, bool sparse, const ClearPlan& p)
      : disk(d), console(&c), file(f), sparseRoute(sparse), plan(p) {}

  FileIo& disk;
  /// Where the lines go: the run's console, or for a gap left out of a
  /// long list a buffer that is shown only when the gap fails.
  Console* console;
  File& file;
  /// Cleared by the first release the file system refuses: from then on
  /// every gap is zero-filled.
  bool sparseRoute;
  const ClearPlan& plan;
  std::vector<char> zeros;
  std::vector<char> read;
  /// What this run gave back and overwrote: only what held data before.
  ClearTotals totals;
  bool failed = false;
  /// Set once another program asked for the file: nothing more is written.
  bool stopped = false;
  /// Set once the plan's `interrupted` said so: nothing more is done or printed.
  bool ended = false;
  /// What became of the gap under way, for the report, and its error.
  const char* action = "";
  int error = 0;
};

bool Interrupted(ClearRun& run) {
  if (!run.ended && run.plan.interrupted && run.plan.interrupted()) run.ended = true;
  return run.ended;
}

void ReportError(ClearRun& run, int error) {
  Print(*run.console, kMsgGapError, error);
  run.failed = true;
  run.action = "failed";
  run.error = error;
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
      run.console->Write(kMsgReleased);
      return true;
    }
    if (int error = StillExclusive(run)) {
      ReportError(run, error);
      return true;
    }
    if (run.disk.PunchHole(run.file, start, inside) != 0) return false;
    const std::vector<ByteRange> after = DataIn(run, start, end);
    // What the file system let go of, block by block; the data it only
    // zeroed in blocks it keeps gives nothing back.
    run.totals.released += TotalLength(before) - std::min(TotalLength(before), TotalLength(after));
    run.totals.zeroed += ZeroedInPlace(after, start, *head, end, *tail);
  }
  run.console->Write(kMsgReleased);
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
    run.console->Write("\n");
    return;
  }
  if (run.zeros.empty()) run.zeros.assign(kZeroFillChunk, 0);
  const bool marked = run.console->MarkCursor();
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
      run.console->RedrawFromMark();
      run.console->Write(figure);
      figure.clear();
    }
  }
  run.console->Write(figure);
  // What was overwritten before a failure or an interrupt counts all the same.
  run.totals.zeroed += zeroed;
  if (error)
    ReportError(run, error);
  else
    run.console->Write("\n");
}

// The bytes of the data in [start, end) that are not zero, read a chunk at
// a time; 0 where they cannot be read (nothing would be written there).
uint64_t NonZeroBytes(ClearRun& run, const std::vector<ByteRange>& data, uint64_t start, uint64_t end) {
  uint64_t held = 0;
  for (const ByteRange& range : data) {
    for (uint64_t at = std::max(range.start, start); at < std::min(range.end, end);) {
      const size_t count = static_cast<size_t>(std::min<uint64_t>(kZeroFillChunk, std::min(range.end, end) - at));
      if (ReadRange(run, at, count) != 0) return held;
      if (!AllZero(run.read.data(), count)) held += count;
      at += count;
    }
  }
  return held;
}

// What clearing [start, start + inside) would do, said and counted, without
// a byte written: on the sparse route the whole blocks of data it holds are
// given back and the data in the blocks at its ends zeroed; on the zero fill
// its data that is not zero yet is overwritten.
void DryClearGap(ClearRun& run, uint64_t start, uint64_t inside) {
  const uint64_t end = start + inside;
  const std::vector<ByteRange> data = inside ? DataIn(run, start, end) : std::vector<ByteRange>();
  if (!run.sparseRoute) {
    const uint64_t zeroed = NonZeroBytes(run, data, start, end);
    run.totals.zeroed += zeroed;
    Print(*run.console, kMsgWouldZero, FormatByteSize(zeroed).c_str());
    return;
  }
  FileStatus status;
  const uint64_t block = run.disk.Status(run.file, &status) == 0 && status.blockSize ? status.blockSize : 4096;
  uint64_t released = 0;
  std::vector<ByteRange> edges;
  for (const ByteRange& range : data) {
    const uint64_t first = (range.start + block - 1) / block * block, last = range.end / block * block;
    if (first >= last) {
      edges.push_back(range);
      continue;
    }
    released += last - first;
    if (range.start < first) edges.push_back({range.start, first});
    if (last < range.end) edges.push_back({last, range.end});
  }
  run.totals.released += released;
  run.totals.zeroed += NonZeroBytes(run, edges, start, end);
  Print(*run.console, kMsgWouldRelease, FormatByteSize(released).c_str());
}

void ClearGap(ClearRun& run, const MetGap& stored) {
  MetGap gap = stored;
  // Nothing past the download's size is its own, whatever the data file holds.
  const uint64_t size = run.plan.size;
  const bool pastSize = gap.IsValid() && size != 0 && gap.start >= size;
  if (gap.IsValid() && size != 0 && gap.end > size && !pastSize) gap.end = size;
  std::string start = FormatByteSize(gap.start);
  std::string last = FormatByteSize(ShownLastByte(gap));
  if (!gap.IsValid()) {
    Print(*run.console, kMsgInvalidGap, start.c_str(), last.c_str());
    run.action = "invalid";
    return;
  }
  const uint64_t length = gap.end - gap.start;
  Print(*run.console, kMsgGapLine, start.c_str(), last.c_str(), FormatByteSize(length).c_str());
  if (pastSize) {
    run.console->Write(kMsgPastSize);
    run.action = "past size";
    return;
  }
  uint64_t fileSize = 0;
  if (int error = FileSize(run.disk, run.file, &fileSize)) {
    ReportError(run, error);
    return;
  }
  if (gap.start >= fileSize) {
    run.console->Write(kMsgNoData);
    run.action = "no data";
    return;
  }
  const uint64_t inside = std::min(length, fileSize - gap.start);
  run.action = run.plan.dryRun ? "would clear" : "cleared";
  if (run.plan.dryRun) {
    DryClearGap(run, gap.start, inside);
    return;
  }
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

// A piece of a gap, and why it is kept where it lies in a kept range.
struct GapPiece {
  MetGap gap;
  const KeptRange* kept = nullptr;
};

// The gap cut where it enters and leaves the kept ranges (ascending, apart).
std::vector<GapPiece> SplitAtKept(const MetGap& gap, const std::vector<KeptRange>& kept) {
  std::vector<GapPiece> pieces;
  if (!gap.IsValid()) return {GapPiece{gap, nullptr}};
  uint64_t at = gap.start;
  for (const KeptRange& keep : kept) {
    const uint64_t a = std::max(keep.range.start, at), b = std::min(keep.range.end, gap.end);
    if (a >= b) continue;
    if (at < a) pieces.push_back(GapPiece{Piece(gap, at, a), nullptr});
    pieces.push_back(GapPiece{Piece(gap, a, b), &keep});
    at = b;
  }
  if (pieces.empty() || at < gap.end) pieces.push_back(GapPiece{Piece(gap, at, gap.end), nullptr});
  return pieces;
}

void ListKept(ClearRun& run, const MetGap& gap, KeptFor why) {
  run.action = why == KeptFor::FoundComplete ? "kept complete" : "kept for recovery";
  Print(*run.console, kMsgGapLine, FormatByteSize(gap.start).c_str(),
        FormatByteSize(ShownLastByte(gap)).c_str(), FormatByteSize(gap.end - gap.start).c_str());
  run.console->Write(why == KeptFor::FoundComplete ? kMsgKeptComplete : kMsgKept);
}

// The totals' lines: what was given back, and the data overwritten in place.
void PrintTotals(const ClearRun& run) {
  const std::string& path = run.plan.partPath;
  Print(*run.console, run.plan.dryRun ? kMsgWouldBeCleaned : kMsgCleanedSpace, path.c_str(),
        FormatByteSize(run.totals.released).c_str());
  if (run.totals.zeroed != 0)
    Print(*run.console, run.plan.dryRun ? kMsgWouldBeZeroed : kMsgZeroedSpace, path.c_str(),
          FormatByteSize(run.totals.zeroed).c_str());
}

}  // namespace

bool ClearGaps(File& file, const std::vector<MetGap>& gaps, const ClearPlan& plan, FileIo& disk,
               Console& console, ClearTotals* totals) {
  // The mark is asked for even under /nosparse, which only picks the route;
  // a dry run asks nothing of the file.
  bool sparse = (plan.dryRun || disk.SetSparse(file) == 0) && !plan.nosparse;
  ClearRun run(disk, console, file, sparse, plan);
  const bool shortened = gaps.size() > kMaxListedGaps;
  for (size_t index = 0; index < gaps.size(); ++index) {
    const bool listed = !shortened || index < kListedGapsAtEachEnd ||
                        index >= gaps.size() - kListedGapsAtEachEnd;
    if (shortened && index == kListedGapsAtEachEnd)
      Print(console, kMsgGapsNotListed, static_cast<unsigned>(gaps.size() - 2 * kListedGapsAtEachEnd));
    BufferConsole unlisted;
    if (!listed) run.console = &unlisted;
    const bool failedBefore = run.failed;
    for (const GapPiece& piece : SplitAtKept(gaps[index], plan.kept)) {
      if (Interrupted(run)) break;
      const ClearTotals before = run.totals;
      run.action = "";
      run.error = 0;
      if (piece.kept)
        ListKept(run, piece.gap, piece.kept->why);
      else
        ClearGap(run, piece.gap);
      if (plan.log) {
        // As it was cleared: cut to the size.
        uint64_t end = piece.gap.end;
        if (plan.size != 0 && piece.gap.IsValid() && end > plan.size)
          end = std::max(plan.size, piece.gap.start);
        plan.log->push_back(GapReport{piece.gap.start, end, run.action,
                                      run.totals.released - before.released,
                                      run.totals.zeroed - before.zeroed, run.error});
      }
      if (run.stopped) break;
    }
    run.console = &console;
    if (!listed && (run.failed != failedBefore || run.stopped)) console.Write(unlisted.text());
    if (run.ended) break;
    if (run.stopped) {
      Print(console, kMsgStopped, plan.partPath.c_str());
      break;
    }
  }
  if (totals) *totals = run.totals;
  if (run.ended) return false;
  PrintTotals(run);
  return !run.failed;
}
