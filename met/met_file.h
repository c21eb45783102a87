// The metadata file as the tool understands it, decoded once from the image:
// the listing, the rewrites and the part check all read this one model.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "met/met_header.h"
#include "met/met_image.h"
#include "met/tag_record.h"

/// One tag of the file, in its order, with where its bytes lie.
struct MetTag {
  TagRecord record;
  /// Offset of its type byte in the image.
  ReadCursor offset = 0;
  /// Offset just behind its value.
  ReadCursor end = 0;
};

/// Why a gap is not a range of the file that may be worked on.
enum class GapFault {
  None,
  /// No start tag since the end tag before: only an end.
  NoStart,
  /// The start tag holds no number (a text, a float).
  StartNotNumber,
  /// A start tag that no end tag follows.
  NoEnd,
  /// The end tag holds no number.
  EndNotNumber,
  /// The stored end is 0: no byte before it, whatever the start.
  EndIsZero,
  /// The end lies before the start.
  EndBeforeStart,
};

/// A gap of the download: the bytes from `start` up to, not including,
/// `end`. A bound that no number gave is 0.
struct MetGap {
  uint64_t start = 0;
  uint64_t end = 0;
  /// Which bounds a tag holding a number gave.
  bool startStored = false;
  bool endStored = false;
  /// The first thing wrong with it, if any.
  GapFault fault = GapFault::None;

  /// True for a range of the file: both bounds stored, end not before start.
  bool IsValid() const { return fault == GapFault::None; }
  /// True when both bounds are numbers the file stores, in order or not; a
  /// rewrite writes such a gap back as it found it.
  bool HasBounds() const { return startStored && endStored; }
};

/// Gaps in the order the file lists them.
using GapTable = std::vector<MetGap>;

/// How a file names its gap tags.
enum class GapNaming {
  /// No gap tag.
  None,
  /// The clients' way: 0x09 or 0x0A followed by the gap's index in digits.
  Indexed,
  /// By the one byte (or id) alone, which the clients never read as a gap.
  OneByte,
};

/// The decoded file.
struct MetFile {
  MetHeader header;
  /// Every tag that decoded, in order.
  std::vector<MetTag> tags;
  /// The gaps in the order of their end tags: an end tag completes the gap
  /// whose start tag came last since the end tag before it (a second start
  /// before the end replaces the first); a start tag that no end follows
  /// ends the list as a gap without an end. Where the file has indexed gap
  /// tags these are its gaps, as the clients read them; only a file without
  /// any has its gaps in the one-byte tags.
  GapTable gaps;
  /// Which tags `gaps` come from.
  GapNaming gapNaming = GapNaming::None;
  /// One-byte gap tags passed over beside indexed ones: a client that loads
  /// and saves a file keeps such tags as unknown ones, so they tell of gaps
  /// long downloaded since.
  uint32_t staleGapTags = 0;
  /// The value of the last file-size tag holding a number; 0 without one.
  uint64_t fileSize = 0;
  /// The text of every part-file-name tag, in order.
  std::vector<std::string> partFileNames;
  /// The text of the last corrupted-parts tag, such as "3,7"; empty without one.
  std::string corruptedParts;
  /// The last AICH root text (0x27) and hash-set blob (0x35); empty without.
  std::string aichRoot;
  std::string aichHashSet;
  /// True when the file holds an AICH hash-set tag.
  bool hasAichHashSet = false;
  /// Just behind the last tag decoded.
  ReadCursor tagsEnd = 0;
  /// Empty, or the line saying that the tag stream broke off after `tags`:
  /// nothing behind that point comes from the file.
  std::string damage;
};

/// The file, or the line that says why its header cannot be read.
struct MetDecode {
  std::optional<MetFile> file;
  std::string problem;
};

/// Decodes the whole image: header, tags, gaps, size and names.
MetDecode DecodeMetFile(const MetImage& image);

/// True for a tag that marks a gap's start or end, in either naming.
bool IsGapTag(const TagRecord& tag);

/// True for a gap tag named the clients' way: the byte and the gap's index.
bool IsIndexedGapTag(const TagRecord& tag);
