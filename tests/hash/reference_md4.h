// A plain MD4, written straight from RFC 1320 for the tests: slow, short,
// and independent of the tuned one it checks.
#pragma once

#include <cstdint>
#include <string>

inline std::string ReferenceMd4(const std::string& message) {
  auto rotl = [](uint32_t x, int s) { return x << s | x >> (32 - s); };
  std::string padded = message + '\x80';
  while (padded.size() % 64 != 56) padded += '\0';
  uint64_t bits = uint64_t(message.size()) * 8;
  for (int i = 0; i < 8; ++i) padded += char(bits >> (8 * i));
  uint32_t h[4] = {0x67452301, 0xefcdab89, 0x98badcfe, 0x10325476};
  for (size_t block = 0; block < padded.size(); block += 64) {
    uint32_t x[16];
    for (int i = 0; i < 16; ++i) {
      x[i] = 0;
      for (int b = 0; b < 4; ++b) x[i] |= uint32_t(uint8_t(padded[block + 4 * i + b])) << (8 * b);
    }
    uint32_t a = h[0], b = h[1], c = h[2], d = h[3];
    const int r1[4] = {3, 7, 11, 19}, r2[4] = {3, 5, 9, 13}, r3[4] = {3, 9, 11, 15};
    for (int i = 0; i < 16; ++i) {
      uint32_t f = (b & c) | (~b & d);
      uint32_t t = rotl(a + f + x[i], r1[i % 4]);
      a = d; d = c; c = b; b = t;
    }
    const int order2[16] = {0, 4, 8, 12, 1, 5, 9, 13, 2, 6, 10, 14, 3, 7, 11, 15};
    for (int i = 0; i < 16; ++i) {
      uint32_t g = (b & c) | (b & d) | (c & d);
      uint32_t t = rotl(a + g + x[order2[i]] + 0x5a827999, r2[i % 4]);
      a = d; d = c; c = b; b = t;
    }
    const int order3[16] = {0, 8, 4, 12, 2, 10, 6, 14, 1, 9, 5, 13, 3, 11, 7, 15};
    for (int i = 0; i < 16; ++i) {
      uint32_t k = b ^ c ^ d;
      uint32_t t = rotl(a + k + x[order3[i]] + 0x6ed9eba1, r3[i % 4]);
      a = d; d = c; c = b; b = t;
    }
    h[0] += a; h[1] += b; h[2] += c; h[3] += d;
  }
  std::string digest;
  for (uint32_t word : h)
    for (int b = 0; b < 4; ++b) digest += char(word >> (8 * b));
  return digest;
}
