// The new metadata file of "/complete" and "/rebuild", built in memory from
// the decoded old one, so that nothing on disk changes until it is whole.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "met/met_file.h"
#include "met/met_image.h"

/// What the rewrite makes of the gaps.
enum class RewriteMode {
  /// Drop every gap, so that the download looks complete.
  Complete,
  /// Write the gaps anew, corrupt parts included.
  Rebuild,
};

/// The gaps of the old file as it stores them: those whose two bounds are
/// numbers, in order or not. A gap without a number for a bound is no gap to
/// the clients either.
GapTable StoredGaps(const MetFile& file);

/// The gaps cut to the download's size as the clients cut them: a gap that
/// starts at or past it goes, one that ends past it ends at it. Nothing past
/// the size is the download's, to clear, count or write. A size of 0 (none
/// known) cuts nothing; a gap whose end lies before its start stays as it is.
GapTable ClipToSize(const GapTable& gaps, uint64_t size);

/// True when the file's gap tags are not what the clients read, so that a
/// rewrite in their form changes what they see: one-byte tags, stale beside
/// indexed ones or alone.
bool GapTagsToRewrite(const MetFile& file);

/// The gaps of the old file that a rewrite can write back: StoredGaps cut
/// to the size.
GapTable RewritableGaps(const MetFile& file);

/// The tag count of the new file: every tag but the gap tags, and with
/// Rebuild two for each of `gaps`; nothing when it would not fit the format.
std::optional<uint32_t> NewTagCount(const MetFile& file, RewriteMode mode, const GapTable& gaps);

/// The new file's bytes, or the line that says why it cannot be written.
struct EncodedMet {
  std::string bytes;
  std::string problem;
};

/// Builds the new file from the old one's image: the same header (its
/// fields as `file.header` has them, the part hashes from the image) with
/// `tagCount`, every tag that is not a gap tag in its old order, with
/// Rebuild `gaps` as fresh tags named and typed the clients' way (64-bit in
/// a large download or for a bound past 32 bits), then whatever followed
/// the tags. A full 0xE0 header that now comes with 64-bit tags gets the
/// version 0xE2, as the clients write it. A file whose new header would read
/// as another layout is refused.
EncodedMet EncodeMetFile(const MetImage& image, const MetFile& file, RewriteMode mode,
                         uint32_t tagCount, const GapTable& gaps);

/// Makes the file's corrupted-parts tags one that lists `parts`, in the place
/// of the first (after the other tags where there was none), or none at all
/// for no parts, as the clients write it only where it has a value.
void SetCorruptedParts(MetFile& file, const std::vector<uint32_t>& parts);

/// The name a rewrite gives the tag of gap `index`'s start or end, as the
/// download clients name them: the byte 0x09 or 0x0A and the index in decimal.
std::string GapTagName(uint8_t id, size_t index);

/// Appends the gaps' tags as the clients write them: start and end of each
/// in turn, named by index, 64-bit in a large download or for a bound past
/// 32 bits. False, with the line that says why, when one cannot be written.
bool WriteGapTags(std::string& out, const GapTable& gaps, uint64_t fileSize, std::string* problem);
