// The metadata file in memory and the cursor that reads it.
#pragma once

#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string>

/// The largest metadata file the tool loads, in bytes.
constexpr uint32_t kMaxMetImageSize = 5242880;

/// The whole metadata file, read once and never changed afterwards.
struct MetImage {
  struct FreeBlock {
    void operator()(uint8_t* block) const { std::free(block); }
  };
  std::unique_ptr<uint8_t, FreeBlock> bytes;
  /// The number of bytes the load delivered.
  uint32_t size = 0;

  const uint8_t* data() const { return bytes.get(); }
};

/// Makes an image holding a copy of the given bytes (at most 4 GiB).
MetImage MakeMetImage(const void* content, size_t size);

/// A byte offset into a MetImage; every read advances it.
using ReadCursor = uint32_t;

/// True when `count` bytes from `cursor` lie inside the image.
bool HasBytes(const MetImage& image, ReadCursor cursor, uint64_t count);

/// The reads below take a value at the cursor and advance past it. When the
/// image ends first they return false and leave the cursor where it was.
bool ReadBytes(const MetImage& image, ReadCursor& cursor, void* out, uint32_t count);
bool ReadU8(const MetImage& image, ReadCursor& cursor, uint8_t* value);
bool ReadU16(const MetImage& image, ReadCursor& cursor, uint16_t* value);
bool ReadU32(const MetImage& image, ReadCursor& cursor, uint32_t* value);
bool ReadU64(const MetImage& image, ReadCursor& cursor, uint64_t* value);

/// Appends a number in the file's order: little-endian, unaligned.
void PutU16(std::string& out, uint32_t value);
void PutU32(std::string& out, uint32_t value);
void PutU64(std::string& out, uint64_t value);

/// The 16 bytes of a hash as 32 lower-case hexadecimal digits.
std::string HashText(const uint8_t* hash);
