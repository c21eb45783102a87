#include "known/client_files.h"

#include "platform/console.h"
#include "platform/disk.h"

namespace {

// Opens the file and reads up to `maxSize` bytes of it into `out`, which
// `allocate` makes room for; "" or the reason.
template <typename Allocate>
std::string ReadWhole(Disk& disk, const std::string& path, uint64_t maxSize, Allocate allocate) {
  OpenResult opened = disk.OpenShared(path);
  uint64_t size = 0;
  if (opened.ok()) opened.error = FileSize(disk, opened.file, &size);
  if (!opened.ok()) {
    return opened.refusal != OpenRefusal::None
               ? path + " is no regular file of its own user"
               : Format("%s cannot be read (error %d)", path.c_str(), opened.error);
  }
  if (size > maxSize)
    return Format("%s is larger than %llu bytes", path.c_str(), static_cast<unsigned long long>(maxSize));
  uint8_t* out = allocate(size_t(size));
  if (!out && size) return path + " does not fit in memory";
  for (uint64_t done = 0; done < size;) {
    ReadResult got = disk.Read(opened.file, out + done, size_t(size - done));
    if (got.error) return Format("%s cannot be read (error %d)", path.c_str(), got.error);
    if (got.count == 0) return path + " grew shorter while it was read";
    done += got.count;
  }
  return "";
}

}  // namespace

ClientFileRead ReadClientFile(Disk& disk, const std::string& path, uint64_t maxSize) {
  ClientFileRead read;
  FileIdentity identity;
  read.found = IdentifyPath(disk, path, &identity) == 0;
  if (!read.found) return read;
  read.problem = ReadWhole(disk, path, maxSize, [&read](size_t size) {
    read.bytes.resize(size);
    return reinterpret_cast<uint8_t*>(&read.bytes[0]);
  });
  if (!read.problem.empty()) read.bytes.clear();
  return read;
}

KnownMet LoadKnownMet(Disk& disk, const std::string& path) {
  MetImage image;
  const std::string problem = ReadWhole(disk, path, kMaxKnownMetSize, [&image](size_t size) {
    // Exactly the size, so that the sanitizers see any read past the end.
    image.bytes.reset(static_cast<uint8_t*>(std::calloc(size ? size : 1, 1)));
    image.size = image.bytes ? uint32_t(size) : 0;
    return image.bytes.get();
  });
  if (!problem.empty()) {
    KnownMet failed;
    failed.problem = problem;
    return failed;
  }
  return DecodeKnownMet(image);
}
