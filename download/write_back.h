// The one way a changed download goes to disk, for every mode that writes a
// metadata file: the tag count, the encoding, the size bound, the checks
// that no client holds the download and that nobody replaced the file read,
// then the crash-safe install over the old file (or the create where none
// is). A dry run stops before anything is opened for writing.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>

#include "download/download.h"
#include "met/met_rewrite.h"

/// What the new metadata file is to hold, besides the download's own tags.
struct MetChange {
  /// Complete writes no gap; Rebuild writes `gaps`.
  RewriteMode mode = RewriteMode::Rebuild;
  GapTable gaps;
  /// The header's time stamp, where the mode sets it: the data file's time,
  /// once every part is judged, so that the client need not hash them again.
  std::optional<uint32_t> headerTime;
};

/// How a mode's write-back speaks, beside the errors: the rewrites say the
/// new tag count, and each mode says what it writes once it is encoded.
struct WriteBackTell {
  bool tagCount = true;
  std::function<void()> encoded;
};

/// Writes the download's metadata file with `change`: 0 when it was put in
/// place (or, in a dry run, would be), 1 after the message when it was
/// refused or failed; the metadata path then holds what it held.
int WriteBack(const Download& download, const MetChange& change, const WriteBackTell& tell,
              const RunContext& run);
