#include "hash/hash_routines.h"

#include <cstring>
#include <vector>

#include "platform/disk.h"

namespace {

constexpr size_t kReadBlock = 65536;

// Fills the block unless the file ends first; a read may deliver less than
// asked without being at the end.
ReadResult ReadBlock(FileIo& disk, File& file, uint8_t* block) {
  ReadResult total;
  while (total.count < kReadBlock) {
    ReadResult got = disk.Read(file, block + total.count, kReadBlock - total.count);
    if (got.error) return got;
    if (got.count == 0) break;
    total.count += got.count;
  }
  return total;
}

}  // namespace

HashRoutines BindHashRoutines(const std::string& library) {
  HashRoutines routines;
  SystemLibrary system(library);
  auto init = reinterpret_cast<void (*)(Md4Context*)>(system.Routine("MD4Init"));
  auto update =
      reinterpret_cast<void (*)(Md4Context*, const uint8_t*, uint32_t)>(system.Routine("MD4Update"));
  auto final = reinterpret_cast<void (*)(Md4Context*)>(system.Routine("MD4Final"));
  if (init && update && final) {
    routines.library = std::move(system);
    routines.init = init;
    routines.update = update;
    routines.final = final;
    routines.fromSystem = true;
  }
  return routines;
}

int HashFileRange(const HashRoutines& routines, FileIo& disk, File& file, uint8_t digest[16],
                  uint64_t offset, uint64_t length) {
  Md4Context context;
  std::memset(&context, 0, sizeof context);
  routines.init(&context);
  if (int error = disk.Seek(file, offset)) return error;
  std::vector<uint8_t> block(kReadBlock);
  uint64_t remaining = length;
  // Every read asks for a whole block; only the bytes inside the range are
  // fed. A short block is the end of the file.
  ReadResult got;
  do {
    got = ReadBlock(disk, file, block.data());
    if (got.error) return got.error;
    uint32_t fed = static_cast<uint32_t>(got.count < remaining ? got.count : remaining);
    routines.update(&context, block.data(), fed);
    remaining -= fed;
  } while (got.count == kReadBlock && remaining > 0);
  routines.final(&context);
  std::memcpy(digest, context.digest, 16);
  return 0;
}

ReadResult ReadFullyAt(FileIo& disk, File& file, uint64_t offset, uint8_t* buffer, size_t size) {
  ReadResult total;
  while (total.count < size) {
    ReadResult got = disk.ReadAt(file, offset + total.count, buffer + total.count, size - total.count);
    if (got.error) return got;
    if (got.count == 0) break;
    total.count += got.count;
  }
  return total;
}
