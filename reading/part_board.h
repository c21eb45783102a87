// Where the threads of a part check leave each part's digest, or the error
// that stopped its reading, for the one thread that reports them in order.
#pragma once

#include <array>
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <optional>
#include <vector>

#include "hash/aich_tree.h"

/// A part's outcome: its digest, or the error code of the read that failed.
struct PartOutcome {
  bool ok = false;
  std::array<uint8_t, 16> digest{};
  /// Its AICH hash, where one was asked for and could be made.
  std::optional<AichHash> aich;
  int error = 0;
};

/// The outcomes of the parts [0, count) as the hashing threads find them.
/// Only the first failing part counts: the parts after it are not wanted.
class PartBoard {
 public:
  /// A board for `count` parts, none of them done.
  explicit PartBoard(uint32_t count);

  /// The parts on the board.
  uint32_t count() const { return count_; }
  /// Called by a hashing thread: the part is hashed (its AICH hash too, if
  /// `aich` is given).
  void Done(uint32_t part, const uint8_t digest[16], const AichHash* aich = nullptr);
  /// Called by a hashing thread: reading the part failed with `error`.
  void Failed(uint32_t part, int error);
  /// False once a part before or at `part` failed or the check was given
  /// up: hashing it further is wasted. Cheap enough for every read.
  bool Wanted(uint32_t part) const { return part < wanted_.load(std::memory_order_relaxed); }
  /// No part is wanted any more; the threads stop at their next look.
  void GiveUp() { wanted_.store(0, std::memory_order_relaxed); }

  /// Waits until the part is done, or is the first failing part, or a part
  /// before it failed; call it for the parts in order, stopping at the
  /// first failed outcome.
  PartOutcome Wait(uint32_t part);

 private:
  const uint32_t count_;
  std::mutex mutex_;
  std::condition_variable changed_;
  std::vector<std::array<uint8_t, 16>> digests_;
  std::vector<std::optional<AichHash>> aich_;
  std::vector<bool> done_;
  uint32_t firstFailed_;
  int error_ = 0;
  /// Parts from this one on are not wanted: the first failed one, or 0.
  std::atomic<uint32_t> wanted_;
};
