#include "platform/console.h"

#include <gtest/gtest.h>

namespace {

TEST(ConsoleTest, FormatsTextOfAnyLength) {
  EXPECT_EQ("Gap 3 of 0x1f", Format("Gap %d of %#x", 3, 31));
  // Longer than the first try's buffer.
  const std::string long_text(1000, 'x');
  EXPECT_EQ(long_text + "!", Format("%s!", long_text.c_str()));
}

TEST(ConsoleTest, ControlCharactersOfNamesAreShownEscaped) {
  const struct {
    std::string text;
    std::string shown;
  } rows[] = {
      {"Gaps in 'a\tb.part':\n", "Gaps in 'a\tb.part':\n"},
      {"'\x1b]0;owned\x07.part'", "'\\x1b]0;owned\\x07.part'"},
      {"a\rb\x7f", "a\\x0db\\x7f"},
      // UTF-8 letters stay; a C1 control (U+009B, CSI) is escaped, whole or stray.
      {"\xd0\x9a\xe6\x98\xa0.part", "\xd0\x9a\xe6\x98\xa0.part"},
      {"x\xc2\x9b" "31m", "x\\x9b" "31m"},
      {"x\x9b" "31m \xe9t\xe9", "x\\x9b" "31m \xe9t\xe9"},
  };
  for (const auto& row : rows) EXPECT_EQ(row.shown, EscapeControls(row.text)) << row.text;
}

TEST(ConsoleTest, OutOfMemoryEndsTheRun) {
  // The message goes to standard output, which the death test does not see.
  EXPECT_EXIT(ExitOutOfMemory(), testing::ExitedWithCode(1), "");
}

}  // namespace
