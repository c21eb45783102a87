#include "platform/disk.h"

File& File::operator=(File&& other) noexcept {
  if (this != &other) {
    Close();
    handle_ = other.handle_;
    closer_ = other.closer_;
    other.handle_ = kNoHandle;
  }
  return *this;
}

void File::Close() {
  if (handle_ == kNoHandle) return;
  if (closer_)
    closer_->ReleaseHandle(handle_);
  else
    CloseNativeHandle(handle_);
  handle_ = kNoHandle;
}
