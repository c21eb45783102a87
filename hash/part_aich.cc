#include "hash/part_aich.h"

#include <algorithm>
#include <cstring>

#include "hash/hash_routines.h"
#include "hash/part_board.h"

void PartAich::Done(PartBoard& board, uint32_t part, const uint8_t digest[16]) {
  AichHash hash;
  const bool made = part < AichPartCount(size_);
  // A failed SHA-1 leaves the part without a second opinion, never a wrong one.
  if (inLanes_) {
    if (FinishLanes(AichPartSide(size_, part), &hash) && made) {
      board.Done(part, digest, &hash);
      return;
    }
  } else if (hasher_ && made && hasher_->Finish(AichPartSide(size_, part), &hash)) {
    board.Done(part, digest, &hash);
    return;
  } else if (hasher_) {
    hasher_->Finish(AichSide::kLeft, &hash);  // starts over
  }
  board.Done(part, digest);
}

void PartAich::CloseLaneBlock() {
  Sha1LaneState* const states[] = {&block_};
  const uint8_t* const tails[] = {tail_};
  const uint64_t start = leaves_.size() * kAichBlockSize;
  uint8_t leaf[1][kSha1Bytes];
  Sha1FinishLanes(states, tails, 1, fed_ - start, leaf);
  leaves_.emplace_back();
  std::copy(leaf[0], leaf[0] + kSha1Bytes, leaves_.back().begin());
}

bool PartAich::FinishLanes(AichSide side, AichHash* hash) {
  // A part that ends inside a block, or that no byte reached: its last leaf.
  if (fed_ > leaves_.size() * kAichBlockSize || fed_ == 0) CloseLaneBlock();
  const bool ok = fed_ <= kPartSize && AichHashOfLeaves(leaves_, fed_, side, hash);
  leaves_.clear();
  fed_ = 0;
  Sha1LaneInit(&block_);
  return ok;
}

void UpdateAichLanes(PartAich* const aichs[], const uint8_t* const data[], size_t count,
                     size_t bytes) {
  if (count == 0) return;
  const uint8_t* at[kMaxAichLanes];
  Sha1LaneState* states[kMaxAichLanes];
  uint8_t leaves[kMaxAichLanes][kSha1Bytes];
  for (size_t i = 0; i < count; ++i) states[i] = &aichs[i]->block_;
  size_t done = 0;
  while (done < bytes) {
    const uint64_t fed = aichs[0]->fed_;
    const uint64_t room = kAichBlockSize - fed % kAichBlockSize;
    const size_t take = static_cast<size_t>(std::min<uint64_t>(bytes - done, room));
    for (size_t i = 0; i < count; ++i) at[i] = data[i] + done;
    Sha1UpdateLanes(states, at, count, take / 64);
    for (size_t i = 0; i < count; ++i) {
      PartAich& aich = *aichs[i];
      // Bytes past the whole blocks end the part: Done closes its last leaf.
      std::memcpy(aich.tail_, at[i] + take / 64 * 64, take % 64);
      aich.fed_ += take;
    }
    done += take;
    if (take == room) {
      Sha1FinishLanes(states, at, count, kAichBlockSize, leaves);
      for (size_t i = 0; i < count; ++i) {
        aichs[i]->leaves_.emplace_back();
        std::copy(leaves[i], leaves[i] + kSha1Bytes, aichs[i]->leaves_.back().begin());
      }
    }
  }
}
