// The metadata files a lost download may be recovered from: its own and
// every backup beside it, the clients' and partsweep's.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "met/met_file.h"
#include "met/met_image.h"
#include "report/download_report.h"

class Console;
class Disk;

/// A file that decodes whole.
struct MetCandidate {
  std::string path;
  MetImage image;
  MetFile file;
  /// The header's time stamp, the data file's time at the save; 0 for a
  /// compact header, which has none.
  uint32_t timeStamp = 0;
};

/// The metadata path, then every backup beside it that exists: the clients'
/// .backup (left by an interrupted save) and .bak, partsweep's .old and its
/// numbered ones (.000, .001, ... up to the first missing number).
std::vector<std::string> CandidatePaths(const std::string& metPath, Disk& disk);

/// Loads and decodes each file, saying of each what it is (missing, damaged
/// and why, or sound with its file hash and time), and gives the sound ones
/// in the order of `paths`.
std::vector<MetCandidate> LookAtCandidates(const std::vector<std::string>& paths, Disk& disk,
                                           Console& console, DownloadReport* report = nullptr);

/// The candidate to restore: the newest time stamp, the first of equals.
/// When the candidates name different downloads (file hashes), nothing is
/// chosen (-1) after the line that says so; the others are each said not
/// taken, and why.
int ChooseCandidate(const std::vector<MetCandidate>& candidates, Console& console);
