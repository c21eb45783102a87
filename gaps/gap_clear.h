// The second half of a listing: every gap's line, and its space given back.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "met/met_file.h"
#include "report/download_report.h"
#include "platform/disk.h"

class Console;
class FileIo;
class File;

/// The zero fill writes a gap in pieces of this size, redrawing the
/// percentage after each.
constexpr size_t kZeroFillChunk = 131072;

/// Above this many gaps a listing shows the first and the last
/// kListedGapsAtEachEnd with a line each, and the count of the others, which
/// it clears all the same; a gap that fails is always shown.
constexpr size_t kMaxListedGaps = 300;
constexpr size_t kListedGapsAtEachEnd = 100;

/// Why a piece of a gap is listed and not cleared.
enum class KeptFor {
  /// A part the client found corrupt: it mends it from its old bytes.
  ClientRecovery,
  /// A part whose bytes are all there and hash right: the client has it.
  FoundComplete,
};

/// A range of the data file whose gap pieces stay as they are.
struct KeptRange {
  ByteRange range;
  KeptFor why = KeptFor::ClientRecovery;
};

/// How a listing clears.
struct ClearPlan {
  /// The data file's path, for the messages.
  std::string partPath;
  /// Always overwrite with zeros, never release.
  bool nosparse = false;
  /// Say what would be given back, and change nothing: the file may be open
  /// for reading only.
  bool dryRun = false;
  /// The download's size: no byte past it is cleared or counted (0: none known).
  uint64_t size = 0;
  /// Ascending and apart.
  std::vector<KeptRange> kept;
  /// Asked between chunks and gaps whether the run is to end.
  std::function<bool()> interrupted;
  /// Where each gap piece and what became of it is noted, when given.
  std::vector<GapReport>* log = nullptr;
};

/// What a clearing did: the storage the file system gave back, and the data
/// overwritten with zeros that keeps its storage (the zero fill's writes,
/// and the bytes a release zeroes at a gap's ends inside blocks it keeps).
struct ClearTotals {
  uint64_t released = 0;
  uint64_t zeroed = 0;
};

/// Lists every gap of the data file, open in `file` with no other user, and
/// gives the space of every valid one back: released by the file system
/// where it can, else overwritten with zeros where it holds data. Never
/// touches a byte outside a valid gap or past the size, never grows the file.
/// The pieces of gaps inside kept ranges are listed, not cleared. A zero
/// fill redraws its percentage on a terminal and prints only its last figure
/// elsewhere. Prints the totals; false when the disk failed on a gap
/// (reported on its line) or another program asked for the file meanwhile.
/// Once `interrupted` says so it stops at once, ends the line and prints no
/// total, and gives false; `totals`, when given, get what was done all the same.
bool ClearGaps(File& file, const std::vector<MetGap>& gaps, const ClearPlan& plan, FileIo& disk,
               Console& console, ClearTotals* totals = nullptr);
