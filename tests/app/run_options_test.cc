#include "app/run_options.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

RunOptions Scan(std::vector<const char*> args) {
  return ScanSwitches(static_cast<int>(args.size()), args.data());
}

TEST(RunOptionsTest, SwitchesInAnyCaseAndPlace) {
  RunOptions options = Scan({"partsweep", "X.part.met", "/REBUILD", "/Complete", "/nosparse"});
  EXPECT_TRUE(options.rebuild);
  EXPECT_TRUE(options.complete);
  EXPECT_TRUE(options.nosparse);

  RunOptions none = Scan({"partsweep", "X.part.met", "/foo", "rebuild", "/rebuild2"});
  EXPECT_FALSE(none.rebuild || none.complete || none.nosparse);
}

TEST(RunOptionsTest, TheMetPathAndProgramPathCountToo) {
  RunOptions options = Scan({"/nosparse", "/rebuild", "X.part.met"});
  EXPECT_TRUE(options.rebuild);
  EXPECT_TRUE(options.nosparse);
  EXPECT_FALSE(options.complete);
}

TEST(RunOptionsTest, HelpOnlyAlone) {
  for (const char* help : {"--help", "-h", "-?", "/?", "-H"}) {
    std::vector<const char*> args{"partsweep", help};
    EXPECT_TRUE(IsHelpRequest(2, args.data())) << help;
  }
  std::vector<const char*> withMore{"partsweep", "-h", "x"};
  EXPECT_FALSE(IsHelpRequest(3, withMore.data()));
  std::vector<const char*> path{"partsweep", "X.part.met"};
  EXPECT_FALSE(IsHelpRequest(2, path.data()));
}

}  // namespace
