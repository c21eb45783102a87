// A part's second hash, made as its bytes stream past in the same read that
// feeds MD4: eMule's AICH tree, where the check asks for it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "hash/aich_tree.h"
#include "hash/md4_lanes.h"
#include "hash/sha1_lanes.h"

class PartBoard;

/// Hashes the AICH tree of a span's bytes in the shape of part `part` of a
/// file of `size` bytes; does nothing for a size of 0. A span hashed in
/// `laneWidth` lanes (Sha1LaneWidth's answer, taken once) has its blocks
/// hashed beside those of other spans by UpdateAichLanes; with 0, by Update
/// with the system's SHA-1.
class PartAich {
 public:
  PartAich(uint64_t size, uint32_t part, size_t laneWidth = 0)
      : size_(size),
        part_(part),
        width_(size != 0 ? laneWidth : 0),
        hasher_(size != 0 && laneWidth == 0 ? std::make_unique<AichPartHasher>() : nullptr) {
    if (width_ != 0) Sha1LaneInit(&block_);
  }

  /// True when the part's blocks go through UpdateAichLanes.
  bool inLanes() const { return width_ != 0; }

  /// Feeds the part's next bytes, where it is not hashed in lanes.
  void Update(const uint8_t* data, size_t count) {
    if (hasher_) hasher_->Update(data, count);
  }
  /// Leaves the outcome of the span `index` on the board, with its AICH hash
  /// where one was made (a part past the last AICH part, as the empty last
  /// MD4 part of an exact multiple, has none).
  void Done(PartBoard& board, uint32_t index, const uint8_t digest[16]);

 private:
  friend void UpdateAichLanes(PartAich* const aichs[], const uint8_t* const data[], size_t count,
                              size_t bytes);
  /// UpdateAichLanes for at most kMaxAichLanes parts fed alike, of one width.
  static void UpdateSlice(PartAich* const aichs[], const uint8_t* const data[], size_t count,
                          size_t bytes);
  /// Hashes the block under way into a leaf, its last `tail` bytes from tail_.
  void CloseLaneBlock();
  /// The AICH hash of the part hashed in lanes; false where none is made.
  bool FinishLanes(AichSide side, AichHash* hash);

  uint64_t size_;
  uint32_t part_;
  /// The lanes of the SHA-1 kernel the part is hashed in; 0 for none.
  size_t width_;
  /// None when the check asked for no AICH hashes, or hashes this part in lanes.
  std::unique_ptr<AichPartHasher> hasher_;
  /// In lanes: the whole 64-byte blocks of the leaf under way, its bytes past
  /// them (only at the part's end), the bytes fed, and the leaves made.
  Sha1LaneState block_{};
  uint8_t tail_[64] = {};
  uint64_t fed_ = 0;
  std::vector<AichHash> leaves_;
  /// A step of the lanes failed, or the part was fed unlike the others of
  /// its group: it gets no AICH hash rather than a wrong one.
  bool failed_ = false;
};

/// The most parts UpdateAichLanes takes at once: a batch of the part check.
constexpr size_t kMaxAichLanes = kMd4MaxMessages;

/// Feeds the next `bytes` bytes of each of `count` parts hashed in lanes of
/// one width, data[i] to aichs[i], every one of which has been fed as many
/// bytes so far (a part fed otherwise is failed); bytes that are not a
/// multiple of 64 end the parts.
void UpdateAichLanes(PartAich* const aichs[], const uint8_t* const data[], size_t count,
                     size_t bytes);
