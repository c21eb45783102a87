// Bytes as the tests spell them out: integers in the little-endian order of
// the metadata files, and digests as hexadecimal text.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

/// The low `bytes` bytes of `value`, least significant first.
inline std::string Le(uint64_t value, int bytes) {
  std::string out;
  for (int i = 0; i < bytes; ++i) out += char(value >> (8 * i) & 0xFF);
  return out;
}

/// A 16-bit integer as the metadata files store it.
inline std::string U16(uint32_t value) { return Le(value, 2); }

/// A 32-bit integer as the metadata files store it.
inline std::string U32(uint32_t value) { return Le(value, 4); }

/// `size` bytes as lower-case hexadecimal digits, two per byte: 16 for a digest.
inline std::string Hex(const uint8_t* bytes, size_t size = 16) {
  static const char kDigits[] = "0123456789abcdef";
  std::string hex;
  for (size_t i = 0; i < size; ++i) {
    hex += kDigits[bytes[i] >> 4];
    hex += kDigits[bytes[i] & 15];
  }
  return hex;
}

/// Bytes as lower-case hexadecimal digits, two per byte.
inline std::string Hex(const std::string& bytes) {
  return Hex(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
}
