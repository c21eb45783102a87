#include "gaps/gap_list.h"

#include <gtest/gtest.h>

#include "tests/support/byte_text.h"

namespace {

const char kHash[] = "\x01\x23\x45\x67\x89\xab\xcd\xef\x00\x11\x22\x33\x44\x55\x66\x77";

std::string Listed(const std::string& met) {
  MetImage image = MakeMetImage(met.data(), met.size());
  MetDecode decoded = DecodeMetFile(image);
  EXPECT_TRUE(decoded.file);
  if (!decoded.file) return "";
  return ListingHeader(image, *decoded.file) + GapCountLine(*decoded.file);
}

TEST(GapListTest, HeaderLinesAndCounts) {
  // Two part hashes, which the listing does not show; a size and one gap.
  const std::string full = "\xE0" + U32(0x6B163E0C) + std::string(kHash, 16) + U16(2) +
                           std::string(32, '\0') + U32(3) + std::string("\x83\x02", 2) +
                           U32(30000000) + std::string("\x83\x09", 2) + U32(100) +
                           std::string("\x83\x0A", 2) + U32(200);
  EXPECT_EQ("Hash Id: 0123456789abcdef0011223344556677\nHashed Part Count: 2\nTag Count : 3\n"
            "Gap Count: 1 (File Size: 28.6 MB)\n",
            Listed(full));
  // A compact header has no part count, so no such line.
  const std::string compact = "\xE1\x01" + U32(7) + std::string(kHash, 16) + U32(0);
  EXPECT_EQ("Hash Id: 0123456789abcdef0011223344556677\nTag Count : 0\n"
            "Gap Count: 0 (File Size: 0 bytes)\n",
            Listed(compact));
}

TEST(GapListTest, TheLastByteShownIsOneBeforeTheEnd) {
  MetGap gap;
  gap.start = 100;
  gap.end = 200;
  gap.startStored = gap.endStored = true;
  EXPECT_EQ(199u, ShownLastByte(gap));
  gap.end = 0;  // wraps as the 32-bit offset before 0
  EXPECT_EQ(4294967295u, ShownLastByte(gap));
  gap.endStored = false;
  EXPECT_EQ(0u, ShownLastByte(gap));
}

}  // namespace
