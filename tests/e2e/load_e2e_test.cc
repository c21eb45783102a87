// The run flow seen from outside: usage and the load failures.
#include <gtest/gtest.h>

#include "tests/support/usage_text.h"
#include "tests/e2e/e2e_support.h"
#include "tests/support/temp_folder.h"

namespace {

TEST(LoadE2eTest, UsageTextAndStatus) {
  TempFolder folder;
  ProcessResult run = RunTool(folder.path(), {});
  EXPECT_EQ(ExitStatusSeenByParent(-1), run.exitCode);
  EXPECT_EQ(Lines(ExpectedUsageText()), run.output);
  EXPECT_EQ("", ListFolder(folder.path()));
}

TEST(LoadE2eTest, ASwitchBeforeThePathIsASwitch) {
  TempFolder folder;
  ASSERT_TRUE(WriteFileBytes(folder.Path("X.part.met"), "\xE0"));
  ProcessResult run = RunTool(folder.path(), {"--rebuild", "X.part.met"}, "k");
  EXPECT_EQ(1, run.exitCode);
  EXPECT_EQ(Lines("Error: .met file is truncated at offset 1!\n"
                  "Error: 'X.part.met' was not rewritten, it is unchanged.\n"),
            run.output);
  EXPECT_EQ("X.part.met", ListFolder(folder.path()));
}

TEST(LoadE2eTest, TooLargeMetadataFile) {
  TempFolder folder;
  ASSERT_TRUE(WriteFileBytes(folder.Path("X.part.met"), std::string(5242881, '\xE0')));
  // No input at all: the key wait ends with the end of input.
  ProcessResult run = RunTool(folder.path(), {"X.part.met"});
  EXPECT_EQ(1, run.exitCode);
  EXPECT_EQ(Lines("Error: .met file is too large, can't be loaded!\n"), run.output);
}

}  // namespace
