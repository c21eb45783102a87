// The new metadata file of "/complete" and "/rebuild", built in memory so
// that nothing on disk changes until it is whole.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "gaps/gap_entry.h"
#include "met/met_header.h"
#include "met/met_image.h"

class Console;

/// What the rewrite makes of the gaps.
enum class RewriteMode {
  /// Drop every gap, so that the download looks complete.
  Complete,
  /// Check every part and write the gaps anew, corrupt parts included.
  Rebuild,
};

/// What the first pass over the old file learnt.
struct RewriteState {
  MetHeader header;
  /// The gaps in the order of their end tags; `end` is one past the last byte.
  GapTable gaps;
  /// The value of the last file-size tag; 0 when there is none.
  uint32_t fileSize = 0;
  /// The text of every part-file-name tag, in order.
  std::vector<std::string> partFileNames;
  /// Tags that are copied: all but the gap tags.
  uint32_t keptTags = 0;
  /// Just behind the last tag; the bytes from here on are kept as they are.
  ReadCursor tagsEnd = 0;
};

/// Looks at the data file between the two passes (with Rebuild: checks its
/// parts and grows the gaps over corrupt ones); false when the rewrite must
/// not go on (it has said why).
using PartCheck = std::function<bool(const MetImage& image, RewriteState& state)>;

/// Builds the new metadata file from the old one's image: the same header,
/// every tag that is not a gap tag in its old order, with Rebuild the gaps
/// as fresh tags, then whatever followed the tags. Prints the header, the
/// new tag count and the gap bar. A file that cannot be rewritten without
/// loss (unknown version, damaged tags, a tag it cannot encode) is reported
/// and gives nothing. `check`, where given, runs between the two passes.
std::optional<std::string> RewriteMetFile(const MetImage& image, RewriteMode mode,
                                          const PartCheck& check, Console& console);

/// The name a rewrite gives the tag of gap `index`'s start or end, as the
/// download clients name them: the byte 0x09 or 0x0A and the index in decimal.
std::string GapTagName(uint8_t id, size_t index);
