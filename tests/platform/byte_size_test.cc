#include "platform/byte_size.h"

#include <gtest/gtest.h>

namespace {

TEST(ByteSizeTest, MatchesTheWindowsRendering) {
  const std::pair<uint64_t, const char*> cases[] = {
      {0, "0 bytes"},           {1, "1 bytes"},          {1023, "1023 bytes"},
      {1024, "1.00 KB"},        {1536, "1.50 KB"},       {10239, "9.99 KB"},
      {10240, "10.0 KB"},       {100000, "97.6 KB"},     {102400, "100 KB"},
      {200000, "195 KB"},       {1023999, "999 KB"},     {1024000, "0.97 MB"},
      {9728000, "9.27 MB"},     {30000000, "28.6 MB"},   {1073741823, "0.99 GB"},
      {4294967295u, "3.99 GB"},
  };
  for (const auto& c : cases) EXPECT_EQ(c.second, FormatByteSize(c.first)) << c.first;
}

TEST(ByteSizeTest, LargeValuesDoNotOverflow) {
  EXPECT_EQ("1.00 TB", FormatByteSize(1ull << 40));
  EXPECT_EQ("15.9 EB", FormatByteSize(~0ull));
}

}  // namespace
