#include "met/met_image.h"

#include <cstring>

MetImage MakeMetImage(const void* content, size_t size) {
  MetImage image;
  // Exactly the size, so that the sanitizers see any read past the end;
  // an empty image still gets a block.
  image.bytes.reset(static_cast<uint8_t*>(std::calloc(size ? size : 1, 1)));
  if (!image.bytes) return image;
  if (size) std::memcpy(image.bytes.get(), content, size);
  image.size = static_cast<uint32_t>(size);
  return image;
}

bool HasBytes(const MetImage& image, ReadCursor cursor, uint64_t count) {
  return cursor <= image.size && count <= image.size - cursor;
}

bool ReadBytes(const MetImage& image, ReadCursor& cursor, void* out, uint32_t count) {
  if (!HasBytes(image, cursor, count)) return false;
  if (count) std::memcpy(out, image.data() + cursor, count);
  cursor += count;
  return true;
}

bool ReadU8(const MetImage& image, ReadCursor& cursor, uint8_t* value) {
  return ReadBytes(image, cursor, value, 1);
}

bool ReadU16(const MetImage& image, ReadCursor& cursor, uint16_t* value) {
  uint8_t raw[2];
  if (!ReadBytes(image, cursor, raw, 2)) return false;
  *value = static_cast<uint16_t>(raw[0] | raw[1] << 8);
  return true;
}

bool ReadU32(const MetImage& image, ReadCursor& cursor, uint32_t* value) {
  uint8_t raw[4];
  if (!ReadBytes(image, cursor, raw, 4)) return false;
  *value = static_cast<uint32_t>(raw[0]) | static_cast<uint32_t>(raw[1]) << 8 |
           static_cast<uint32_t>(raw[2]) << 16 | static_cast<uint32_t>(raw[3]) << 24;
  return true;
}

bool ReadU64(const MetImage& image, ReadCursor& cursor, uint64_t* value) {
  uint32_t low, high;
  ReadCursor at = cursor;
  if (!ReadU32(image, at, &low) || !ReadU32(image, at, &high)) return false;
  cursor = at;
  *value = uint64_t(high) << 32 | low;
  return true;
}

void PutU16(std::string& out, uint32_t value) {
  out += char(value & 0xFF);
  out += char(value >> 8 & 0xFF);
}

void PutU32(std::string& out, uint32_t value) {
  PutU16(out, value & 0xFFFF);
  PutU16(out, value >> 16);
}

std::string HashText(const uint8_t* hash) {
  static const char kDigits[] = "0123456789abcdef";
  std::string text;
  for (int i = 0; i < 16; ++i) {
    text += kDigits[hash[i] >> 4];
    text += kDigits[hash[i] & 15];
  }
  return text;
}

void PutU64(std::string& out, uint64_t value) {
  PutU32(out, static_cast<uint32_t>(value));
  PutU32(out, static_cast<uint32_t>(value >> 32));
}
