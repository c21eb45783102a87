// The check of "/rebuild": every part hashed and compared with its stored
// hash, and every corrupt complete part turned into a gap.
#pragma once

#include <array>
#include <optional>
#include <string>
#include <vector>

#include "hash/part_hashing.h"
#include "met/met_file.h"
#include "met/met_image.h"

class Console;
class Disk;
class File;

/// The MD4 digest of one part.
using PartDigest = std::array<uint8_t, 16>;

/// True when some valid gap holds a byte of [start, end): such a part is not
/// downloaded whole, so its digest says nothing, and it is neither judged
/// nor turned into a gap. The clients check only complete parts.
bool OverlapsAGap(const GapTable& gaps, uint64_t start, uint64_t end);

/// Hashes every part of the open data file at `partPath` on every core and
/// prints each digest against the stored part hash, in part order as soon as
/// a part and all before it are done: sound, corrupt, or not judged where a
/// gap holds a piece of the part. Nothing, after the lines of the parts
/// before the first one that could not be read and the message, when the
/// file cannot be read: then nothing was checked.
std::optional<std::vector<PartDigest>> HashParts(const MetImage& image, const MetHeader& header,
                                                 const GapTable& gaps, File& data,
                                                 const std::string& partPath, Disk& disk,
                                                 Console& console,
                                                 const PartHashOptions& options = {});

/// Makes every corrupt part that no gap holds a piece of a gap: the first gap
/// that touches it grows over it, else a new gap is added. Says so for each.
void RepairGaps(const MetImage& image, const MetHeader& header,
                const std::vector<PartDigest>& digests, GapTable& gaps, Console& console);
