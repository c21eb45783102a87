// A download's AICH hash set as eMule stores it in the metadata file: tag
// 0x35 (a blob: the root, a 16-bit little-endian count n, n part hashes) and
// tag 0x27 (the root in base32). Checked before any part is judged by it.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "hash/aich_tree.h"

/// The AICH hashes a download's parts are judged by.
struct AichHashSet {
  AichHash root{};
  /// The hash of every part, AichPartCount of them: for a file of one part,
  /// whose set stores no part hash, the root.
  std::vector<AichHash> parts;
};

/// What the check of a stored set found; only a trusted set judges parts.
enum class AichSetCheck {
  /// The part hashes rebuild the root, which is the one tag 0x27 names.
  kTrusted,
  /// The blob is not a root, a count and that many part hashes, or the
  /// count is not the one the file's size asks for.
  kMalformed,
  /// The part hashes do not rebuild the root.
  kTreeBroken,
  /// The root is not the one tag 0x27 names, or 0x27 is not a base32 hash.
  kRootDiffers,
};

/// Checks the set of a file of `fileSize` bytes stored as `blob` (the value
/// of tag 0x35) against `rootText` (the value of tag 0x27, or empty where it
/// is missing), as eMule does before it trusts a set. Leaves the set in `set`
/// when it is trusted, and leaves `set` alone otherwise.
AichSetCheck CheckAichHashSet(uint64_t fileSize, const std::string& blob,
                              const std::string& rootText, AichHashSet* set);

/// The base32 text of a hash as tag 0x27 holds it: RFC 4648, upper case, no
/// padding, 32 characters.
std::string AichHashToBase32(const AichHash& hash);

/// The hash a base32 text of 32 characters names, in either case (other
/// tools print it in lower case); false for any other text.
bool AichHashFromBase32(const std::string& text, AichHash* hash);
