#include "download/met_loader.h"

#include "download/data_file.h"
#include "download/download_messages.h"
#include "platform/console.h"
#include "platform/disk.h"

namespace {

// After a failed load: the key wait, told first, where a person can press
// one; a batch or a script's input is never waited for.
void WaitAfterFailure(Console& console, bool waitForKey, const char* prompt) {
  if (!waitForKey || !console.CanWaitForKey()) return;
  console.Write(prompt);
  console.WaitForKey();
}

}  // namespace

std::optional<MetImage> LoadMetImage(const std::string& metPath, Disk& disk, Console& console,
                                     bool waitForKey, void* (*allocate)(size_t, size_t)) {
  OpenResult opened = disk.OpenShared(metPath);
  if (opened.refusal != OpenRefusal::None) {
    console.Write(RefusalMessage(metPath, opened.refusal));
    return std::nullopt;
  }
  uint64_t size = 0;
  if (!opened.error) opened.error = FileSize(disk, opened.file, &size);
  if (opened.error) {
    Print(console, kMsgCannotOpenMet, metPath.c_str(), opened.error);
    WaitAfterFailure(console, waitForKey, kMsgPressAnyKey);
    return std::nullopt;
  }
  // The whole 64-bit size counts: a file of 4 GiB and a few bytes is not small.
  if (size > kMaxMetImageSize) {
    Print(console, kMsgMetTooLarge);
    WaitAfterFailure(console, waitForKey, kMsgPressAnyKeyBang);
    return std::nullopt;
  }
  MetImage image;
  // calloc rather than new: a failed allocation here has a message of its
  // own. Exactly the size, so that the sanitizers see a read past the end.
  image.bytes.reset(static_cast<uint8_t*>(allocate(size ? size : 1, 1)));
  if (!image.bytes) {
    Print(console, kMsgNoBuffer, metPath.c_str());
    opened.file.Close();
    WaitAfterFailure(console, waitForKey, kMsgPressAnyKeyBang);
    return std::nullopt;
  }
  // Whatever a failing read leaves out stays zero and outside the image,
  // where the readers report it as a truncated file.
  while (image.size < size) {
    ReadResult got = disk.Read(opened.file, image.bytes.get() + image.size, size - image.size);
    if (got.error || got.count == 0) break;
    image.size += static_cast<uint32_t>(got.count);
  }
  return image;
}
