#include "hash/part_aich.h"

#include "hash/part_board.h"

void PartAich::Done(PartBoard& board, uint32_t part, const uint8_t digest[16]) {
  AichHash hash;
  // A failed SHA-1 leaves the part without a second opinion, never a wrong one.
  if (hasher_ && part < AichPartCount(size_) && hasher_->Finish(AichPartSide(size_, part), &hash)) {
    board.Done(part, digest, &hash);
    return;
  }
  if (hasher_) hasher_->Finish(AichSide::kLeft, &hash);  // starts over
  board.Done(part, digest);
}
