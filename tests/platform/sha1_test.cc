#include "platform/sha1.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <utility>

namespace {

std::string Hex(const uint8_t* bytes, size_t size) {
  static const char kDigits[] = "0123456789abcdef";
  std::string hex;
  for (size_t i = 0; i < size; ++i) hex += {kDigits[bytes[i] >> 4], kDigits[bytes[i] & 15]};
  return hex;
}

TEST(Sha1Test, TheExamplesOfFips180InPiecesOneMessageAfterAnother) {
  const std::pair<std::string, const char*> examples[] = {
      {"abc", "a9993e364706816aba3e25717850c26c9cd0d89d"},
      {"", "da39a3ee5e6b4b0d3255bfef95601890afd80709"},
      {"abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq",
       "84983e441c3bd26ebaae4aa1f95129e5e54670f1"},
  };
  Sha1 sha1;  // one object for all: Final starts the next message
  for (const auto& example : examples) {
    const auto* bytes = reinterpret_cast<const uint8_t*>(example.first.data());
    for (size_t at = 0; at < example.first.size(); at += 5)
      sha1.Update(bytes + at, std::min<size_t>(5, example.first.size() - at));
    uint8_t digest[20];
    ASSERT_TRUE(sha1.Final(digest));
    EXPECT_EQ(Hex(digest, 20), example.second) << example.first;
  }
}

}  // namespace
