#include "hash/aich_tree.h"

#include <algorithm>

#include "met/part_layout.h"

namespace {

/// The bytes of the left child of a node of `size` bytes (more than `unit`)
/// that splits on multiples of `unit`: of an odd number of units, a left
/// branch gives its left child the larger half, a right branch the smaller.
uint64_t LeftChildSize(uint64_t size, uint64_t unit, bool left) {
  const uint64_t units = (size + unit - 1) / unit;
  return ((left ? units + 1 : units) / 2) * unit;
}

/// The hash of a node of `size` bytes whose leaves of `unit` bytes (the last
/// may be shorter) hash to `leaves`: blocks within a part, parts above them.
bool NodeHash(Sha1& sha1, const AichHash* leaves, uint64_t size, uint64_t unit, bool left,
              AichHash* hash) {
  if (size <= unit) {
    *hash = leaves[0];
    return true;
  }
  const uint64_t leftSize = LeftChildSize(size, unit, left);
  AichHash children[2];
  if (!NodeHash(sha1, leaves, leftSize, unit, true, &children[0]) ||
      !NodeHash(sha1, leaves + leftSize / unit, size - leftSize, unit, false, &children[1]))
    return false;
  sha1.Update(children[0].data(), kSha1Bytes);
  sha1.Update(children[1].data(), kSha1Bytes);
  return sha1.Final(hash->data());
}

}  // namespace

uint32_t AichPartCount(uint64_t fileSize) {
  return static_cast<uint32_t>((fileSize + kPartSize - 1) / kPartSize);
}

AichSide AichPartSide(uint64_t fileSize, uint32_t part) {
  const uint64_t start = part * kPartSize;
  uint64_t nodeStart = 0;
  uint64_t size = fileSize;
  bool left = true;
  // Nodes above a part split on part boundaries, so one of at most a part is the part.
  while (size > kPartSize) {
    const uint64_t leftSize = LeftChildSize(size, kPartSize, left);
    left = start < nodeStart + leftSize;
    if (left) {
      size = leftSize;
    } else {
      nodeStart += leftSize;
      size -= leftSize;
    }
  }
  return left ? AichSide::kLeft : AichSide::kRight;
}

bool AichRootOfParts(uint64_t fileSize, const std::vector<AichHash>& parts, AichHash* root) {
  if (parts.empty() || parts.size() != AichPartCount(fileSize)) return false;
  Sha1 sha1;
  return NodeHash(sha1, parts.data(), fileSize, kPartSize, true, root);
}

bool AichHashOfLeaves(const std::vector<AichHash>& leaves, uint64_t bytes, AichSide side,
                      AichHash* hash) {
  bytes = std::max<uint64_t>(bytes, 1);
  if (leaves.size() != (bytes + kAichBlockSize - 1) / kAichBlockSize) return false;
  Sha1 sha1;
  return NodeHash(sha1, leaves.data(), bytes, kAichBlockSize, side == AichSide::kLeft, hash);
}

AichPartHasher::AichPartHasher() { leaves_.reserve((kPartSize + kAichBlockSize - 1) / kAichBlockSize); }

void AichPartHasher::Update(const uint8_t* data, size_t size) {
  if (size > kPartSize - std::min(fed_, kPartSize)) {
    // More than a part: not a part of any tree. Finish reports it.
    fed_ = kPartSize + 1;
    return;
  }
  fed_ += size;
  while (size > 0) {
    const size_t piece = static_cast<size_t>(std::min<uint64_t>(size, kAichBlockSize - blockFill_));
    sha1_.Update(data, piece);
    blockFill_ += piece;
    data += piece;
    size -= piece;
    if (blockFill_ == kAichBlockSize) CloseBlock();
  }
}

void AichPartHasher::CloseBlock() {
  AichHash leaf;
  failed_ = !sha1_.Final(leaf.data()) || failed_;
  leaves_.push_back(leaf);
  blockFill_ = 0;
}

bool AichPartHasher::Finish(AichSide side, AichHash* hash) {
  if (blockFill_ > 0 || leaves_.empty()) CloseBlock();
  const bool ok = !failed_ && fed_ <= kPartSize && AichHashOfLeaves(leaves_, fed_, side, hash);
  leaves_.clear();
  fed_ = 0;
  failed_ = false;
  return ok;
}
