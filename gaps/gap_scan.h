// The first half of a listing: what the metadata file says about the gaps,
// and the data file opened for clearing them.
#pragma once

#include <optional>
#include <string>

#include "gaps/listed_gap.h"
#include "met/met_image.h"
#include "platform/disk.h"

class Console;

/// What the clearing works on: the gaps, the data file held open with no
/// other user, and its path for the messages.
struct GapScan {
  /// One entry per gap-start tag.
  ListedGaps gaps;
  /// Open for reading and writing; nobody else may use it meanwhile.
  File partFile;
  /// The data file's path as the messages show it.
  std::string partPath;
  /// False when the tag stream was damaged: the table holds only the gaps
  /// read before the damage.
  bool tagsComplete = true;
};

/// Prints the header, the gap count and the data file's name, fills the gap
/// table from the tags and opens the data file (found beside the metadata
/// file, `partPath` unless a name tag says otherwise). Gives nothing after a
/// reported failure: an unreadable header or a data file that cannot be opened.
std::optional<GapScan> ScanGaps(const MetImage& image, const std::string& metPath,
                                std::string partPath, Disk& disk, Console& console);
