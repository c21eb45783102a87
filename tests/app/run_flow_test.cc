#include "app/run_flow.h"

#include <gtest/gtest.h>

#include <vector>

#include "app/run_options.h"
#include "platform/console.h"
#include "platform/disk.h"
#include "tests/support/error_codes.h"
#include "tests/support/faulty_disk.h"
#include "tests/support/small_download.h"
#include "tests/support/string_console.h"
#include "tests/support/temp_folder.h"

namespace {

int RunWith(std::vector<const char*> args, StringConsole& console, Disk& disk = SystemDisk()) {
  return RunPartsweep(static_cast<int>(args.size()), args.data(), disk, console);
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

TEST(RunFlowTest, ListingStatusSaysWhetherEveryGapWasCleared) {
  TempFolder folder;
  // Bytes in the gap: the zero fill writes only over what is not zero yet.
  ASSERT_TRUE(WriteSmallDownload(folder.path(), {{1000, 2000}}, SampleGapContent::Data));
  const std::string met = folder.Path("001.part.met");

  StringConsole cleared;
  EXPECT_EQ(0, RunWith({"partsweep", met.c_str(), "/nosparse"}, cleared));
  EXPECT_NE(std::string::npos, cleared.output.find(" ... Zeroing 100 %\n"));

  // A gap the disk failed on is reported, and so is the run.
  ASSERT_TRUE(WriteSmallDownload(folder.path(), {{1000, 2000}}, SampleGapContent::Data));
  FaultyDisk failing;
  failing.FailCall(DiskOp::Write, 1, kErrorIo);
  StringConsole failed;
  EXPECT_EQ(1, RunWith({"partsweep", met.c_str(), "/nosparse"}, failed, failing));
  EXPECT_NE(std::string::npos, failed.output.find(" ... Error " + std::to_string(kErrorIo) + "\n"));
}

TEST(RunFlowTest, ARewriteTheDiskLetsDownLeavesTheFileAndFails) {
  // Every create, write, flush, backup link and rename of a rewrite in turn.
  for (DiskOp op : {DiskOp::CreateNew, DiskOp::Write, DiskOp::Flush, DiskOp::LinkNoReplace,
                    DiskOp::MoveReplace, DiskOp::FlushFolder}) {
    SCOPED_TRACE(static_cast<int>(op));
    TempFolder folder;
    ASSERT_TRUE(WriteSmallDownload(folder.path(), {{1000, 2000}}));
    const std::string met = folder.Path("001.part.met");
    const std::string old = ReadFileBytes(met);
    FaultyDisk disk;
    disk.FailCall(op, 1, kErrorNoSpace);
    StringConsole console;
    EXPECT_EQ(1, RunWith({"partsweep", met.c_str(), "/complete"}, console, disk));
    EXPECT_EQ(old, ReadFileBytes(met));
    EXPECT_EQ("001.part 001.part.met", ListFolder(folder.path()));
    EXPECT_NE(std::string::npos, console.output.find("was not rewritten, it is unchanged.\n"));
  }
}

TEST(RunFlowTest, OutOfMemoryEndsTheRun) {
  EXPECT_EXIT(ExitOutOfMemory(), testing::ExitedWithCode(1), "");
}

}  // namespace
