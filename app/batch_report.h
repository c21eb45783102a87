// What a run over several downloads says besides each download's own
// output: which download a block belongs to, and how the whole run went.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

/// How the downloads of one run went so far.
struct BatchTally {
  size_t downloads = 0;
  size_t done = 0;
  /// The metadata paths of the downloads that failed, in order.
  std::vector<std::string> failed;
  /// Bytes given back over all downloads, and data overwritten with zeros.
  uint64_t cleared = 0;
  uint64_t zeroed = 0;
};

/// The line that opens the block of download `number` (from 1) of `count`,
/// so that every message in it (a load error too) is known to be its own.
std::string DownloadHeading(size_t number, size_t count, const std::string& metPath);

/// Adds one download's outcome to the tally.
void TallyDownload(BatchTally& tally, const std::string& metPath, bool done, uint64_t cleared,
                   uint64_t zeroed = 0);

/// The line that closes the run: the downloads, those done, those that
/// failed by name, and with `givesSpaceBack` (a listing) the space given
/// back in all (and the data overwritten with zeros, where there was some).
std::string BatchSummary(const BatchTally& tally, bool givesSpaceBack);
