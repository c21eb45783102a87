#include "platform/disk.h"

void File::Close() {
  if (handle_ == kNoHandle) return;
  if (closer_)
    closer_->ReleaseHandle(handle_);
  else
    CloseNativeHandle(handle_);
  handle_ = kNoHandle;
}
