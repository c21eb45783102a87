#include "reading/part_aich.h"

#include <algorithm>
#include <cstring>

#include "met/part_layout.h"
#include "reading/part_board.h"

void PartAich::Done(PartBoard& board, uint32_t index, const uint8_t digest[16]) {
  AichHash hash;
  const bool made = part_ < AichPartCount(size_);
  // A failed SHA-1 leaves the part without a second opinion, never a wrong one.
  if (inLanes()) {
    if (FinishLanes(AichPartSide(size_, part_), &hash) && made) {
      board.Done(index, digest, &hash);
      return;
    }
  } else if (hasher_ && made && hasher_->Finish(AichPartSide(size_, part_), &hash)) {
    board.Done(index, digest, &hash);
    return;
  }
  board.Done(index, digest);
}

void PartAich::CloseLaneBlock() {
  Sha1LaneState* const states[] = {&block_};
  const uint8_t* const tails[] = {tail_};
  const uint64_t start = leaves_.size() * kAichBlockSize;
  uint8_t leaf[1][kSha1Bytes];
  failed_ = !Sha1FinishLanes(states, tails, 1, fed_ - start, leaf, width_) || failed_;
  leaves_.emplace_back();
  std::copy(leaf[0], leaf[0] + kSha1Bytes, leaves_.back().begin());
}

bool PartAich::FinishLanes(AichSide side, AichHash* hash) {
  // A part that ends inside a block, or that no byte reached: its last leaf.
  if (fed_ > leaves_.size() * kAichBlockSize || fed_ == 0) CloseLaneBlock();
  const bool ok = !failed_ && fed_ <= kPartSize && AichHashOfLeaves(leaves_, fed_, side, hash);
  leaves_.clear();
  fed_ = 0;
  failed_ = false;
  Sha1LaneInit(&block_);
  return ok;
}

void PartAich::UpdateSlice(PartAich* const aichs[], const uint8_t* const data[], size_t count,
                           size_t bytes) {
  const uint8_t* at[kMaxAichLanes];
  Sha1LaneState* states[kMaxAichLanes];
  uint8_t leaves[kMaxAichLanes][kSha1Bytes];
  for (size_t i = 0; i < count; ++i) states[i] = &aichs[i]->block_;
  const size_t width = aichs[0]->width_;
  size_t done = 0;
  while (done < bytes) {
    const uint64_t fed = aichs[0]->fed_;
    const uint64_t room = kAichBlockSize - fed % kAichBlockSize;
    const size_t take = static_cast<size_t>(std::min<uint64_t>(bytes - done, room));
    for (size_t i = 0; i < count; ++i) at[i] = data[i] + done;
    bool ok = Sha1UpdateLanes(states, at, count, take / 64, width);
    if (ok && take == room) ok = Sha1FinishLanes(states, at, count, kAichBlockSize, leaves, width);
    for (size_t i = 0; i < count; ++i) {
      PartAich& aich = *aichs[i];
      // Bytes past the whole blocks end the part: Done closes its last leaf.
      std::memcpy(aich.tail_, at[i] + take / 64 * 64, take % 64);
      aich.fed_ += take;
      aich.failed_ = aich.failed_ || !ok;
      if (ok && take == room) {
        aich.leaves_.emplace_back();
        std::copy(leaves[i], leaves[i] + kSha1Bytes, aich.leaves_.back().begin());
      }
    }
    done += take;
  }
}

void UpdateAichLanes(PartAich* const aichs[], const uint8_t* const data[], size_t count,
                     size_t bytes) {
  // The lanes hash the blocks of all parts in step: a part fed unlike the
  // first, or hashed in lanes of another width, cannot join them.
  const uint64_t fed = count != 0 ? aichs[0]->fed_ : 0;
  const size_t width = count != 0 ? aichs[0]->width_ : 0;
  PartAich* alike[kMaxAichLanes];
  const uint8_t* from[kMaxAichLanes];
  size_t n = 0;
  for (size_t i = 0; i < count; ++i) {
    if (aichs[i]->fed_ != fed || aichs[i]->width_ != width) {
      aichs[i]->failed_ = true;
      aichs[i]->fed_ += bytes;
      continue;
    }
    alike[n] = aichs[i];
    from[n++] = data[i];
    if (n == kMaxAichLanes) {
      PartAich::UpdateSlice(alike, from, n, bytes);
      n = 0;
    }
  }
  if (n != 0) PartAich::UpdateSlice(alike, from, n, bytes);
}
