// A part's second hash, made as its bytes stream past in the same read that
// feeds MD4: eMule's AICH tree, where the check asks for it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

#include "hash/aich_tree.h"

class PartBoard;

/// Hashes the AICH tree of one part after another, when `on`, in a file of
/// `size` bytes; does nothing otherwise.
class PartAich {
 public:
  PartAich(bool on, uint64_t size)
      : size_(size), hasher_(on ? std::make_unique<AichPartHasher>() : nullptr) {}

  /// Feeds the part's next bytes.
  void Update(const uint8_t* data, size_t count) {
    if (hasher_) hasher_->Update(data, count);
  }
  /// Leaves the part's outcome on the board, with its AICH hash where one was
  /// made (a part past the last AICH part, as the empty last MD4 part of an
  /// exact multiple, has none), and starts over for the next part.
  void Done(PartBoard& board, uint32_t part, const uint8_t digest[16]);

 private:
  uint64_t size_;
  /// None when the check asked for no AICH hashes.
  std::unique_ptr<AichPartHasher> hasher_;
};
