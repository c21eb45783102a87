#include "platform/console.h"

#include <gtest/gtest.h>

namespace {

TEST(ConsoleTest, FormatsTextOfAnyLength) {
  EXPECT_EQ("Gap 3 of 0x1f", Format("Gap %d of %#x", 3, 31));
  // Longer than the first try's buffer.
  const std::string long_text(1000, 'x');
  EXPECT_EQ(long_text + "!", Format("%s!", long_text.c_str()));
}

TEST(ConsoleTest, OutOfMemoryEndsTheRun) {
  // The message goes to standard output, which the death test does not see.
  EXPECT_EXIT(ExitOutOfMemory(), testing::ExitedWithCode(1), "");
}

}  // namespace
