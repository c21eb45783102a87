// eMule's AICH hashes: a SHA-1 tree over a download's blocks of 184,320
// bytes, whose part hashes check each part a second time beside MD4. A part
// is hashed as its bytes stream past, in the same read that feeds MD4.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "platform/sha1.h"

/// A node of the tree: the SHA-1 of a block, or of its two children's hashes.
using AichHash = std::array<uint8_t, kSha1Bytes>;

/// The bytes of a leaf of the tree; the last block of a part may be shorter.
constexpr uint64_t kAichBlockSize = 184320;

/// Which child of its parent a node is. A node's split depends on it, so a
/// part's hash does too: a whole part of 53 blocks splits 27 | 26 blocks as a
/// left branch and 26 | 27 as a right one. The root counts as a left branch.
enum class AichSide { kLeft, kRight };

/// The parts with an AICH hash in a file of `fileSize` bytes: one a started
/// part, so an exact multiple of the part size has no empty last part (MD4 has).
uint32_t AichPartCount(uint64_t fileSize);

/// The side of part `part` (below AichPartCount) in the tree of a file of
/// `fileSize` bytes: what to pass to AichPartHasher::Finish for it.
AichSide AichPartSide(uint64_t fileSize, uint32_t part);

/// The root of a file of `fileSize` bytes from its AichPartCount part hashes,
/// rebuilding the tree above the parts; false where their number is not that
/// or SHA-1 failed. A file of one part has that part's hash as its root.
bool AichRootOfParts(uint64_t fileSize, const std::vector<AichHash>& parts, AichHash* root);

/// The hash of a part of `bytes` bytes (0 counts as one empty block) as a
/// `side` branch, from the hashes of its blocks; false where their number is
/// not that of the part's blocks or SHA-1 failed.
bool AichHashOfLeaves(const std::vector<AichHash>& leaves, uint64_t bytes, AichSide side,
                      AichHash* hash);

/// The AICH hash of one part, fed its bytes in order in pieces of any size:
/// each block is hashed as it completes, so it keeps one SHA-1 state and the
/// part's leaf hashes (about 1 KiB), never the part's bytes.
class AichPartHasher {
 public:
  AichPartHasher();

  /// Feeds the part's next `size` bytes.
  void Update(const uint8_t* data, size_t size);
  /// The hash of the bytes fed since the last Finish as a `side` branch (see
  /// AichPartSide), then starts over for the next part. False where more than
  /// a part was fed or SHA-1 failed. No byte fed hashes as one empty block.
  bool Finish(AichSide side, AichHash* hash);

 private:
  /// Hashes the block under way into a leaf.
  void CloseBlock();

  /// The block under way.
  Sha1 sha1_;
  /// Bytes of the block under way already fed to sha1_.
  uint64_t blockFill_ = 0;
  /// Bytes fed since the last Finish.
  uint64_t fed_ = 0;
  /// The hashes of the part's blocks so far, at most 53.
  std::vector<AichHash> leaves_;
  /// SHA-1 failed on a block since the last Finish.
  bool failed_ = false;
};
