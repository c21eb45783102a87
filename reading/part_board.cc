#include "reading/part_board.h"

#include <cstring>

PartBoard::PartBoard(uint32_t count)
    : count_(count), digests_(count), aich_(count), done_(count, false), firstFailed_(count), wanted_(count) {}

void PartBoard::Done(uint32_t part, const uint8_t digest[16], const AichHash* aich) {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    std::memcpy(digests_[part].data(), digest, 16);
    if (aich) aich_[part] = *aich;
    done_[part] = true;
  }
  changed_.notify_all();
}

void PartBoard::Failed(uint32_t part, int error) {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    if (part >= firstFailed_) return;
    firstFailed_ = part;
    error_ = error;
    // Lowered only: a give-up stays a give-up.
    uint32_t wanted = wanted_.load(std::memory_order_relaxed);
    while (part < wanted && !wanted_.compare_exchange_weak(wanted, part, std::memory_order_relaxed)) {
    }
  }
  changed_.notify_all();
}

PartOutcome PartBoard::Wait(uint32_t part) {
  std::unique_lock<std::mutex> lock(mutex_);
  changed_.wait(lock, [&] { return done_[part] || firstFailed_ <= part; });
  PartOutcome outcome;
  if (done_[part]) {
    outcome.ok = true;
    outcome.digest = digests_[part];
    outcome.aich = aich_[part];
  } else {
    outcome.error = error_;
  }
  return outcome;
}
