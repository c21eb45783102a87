#include "app/run_flow.h"

#include <gtest/gtest.h>

#include <vector>

#include "app/run_options.h"
#include "platform/disk.h"
#include "platform/error_codes.h"
#include "tests/support/string_console.h"

namespace {

int RunWith(std::vector<const char*> args, StringConsole& console) {
  return RunPartsweep(static_cast<int>(args.size()), args.data(), SystemDisk(), console);
}

TEST(RunFlowTest, UsageAndHelp) {
  StringConsole usage;
  EXPECT_EQ(-1, RunWith({"partsweep"}, usage));
  EXPECT_EQ(kUsageText, usage.output);
  EXPECT_NE('\n', usage.output.back());

  StringConsole help;
  EXPECT_EQ(0, RunWith({"partsweep", "--help"}, help));
  EXPECT_EQ(std::string(kUsageText) + "\n", help.output);
}

TEST(RunFlowTest, ASwitchInPlaceOfThePathIsOpenedAsThePath) {
  StringConsole console;
  EXPECT_EQ(1, RunWith({"partsweep", "/rebuild", "X.part.met"}, console));
  EXPECT_EQ("Error opening '/rebuild' (Error " + std::to_string(kErrorNotFound) +
                ")\nPress any key\n",
            console.output);
  EXPECT_EQ(1, console.keyWaits);
}

TEST(RunFlowTest, DefaultPartFilePath) {
  EXPECT_EQ("X.part", DefaultPartFilePath("X.part.met"));
  EXPECT_EQ("dl/X.part", DefaultPartFilePath("dl/X.part.met"));
  EXPECT_EQ("X.par", DefaultPartFilePath("X.part.xy"));  // cut whatever it says
  EXPECT_EQ("a", DefaultPartFilePath("a.met"));
  EXPECT_EQ("", DefaultPartFilePath("abcd"));
  EXPECT_EQ("", DefaultPartFilePath(""));
}

}  // namespace
