#include "download/met_install.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "tests/support/error_codes.h"
#include "tests/support/faulty_disk.h"
#include "tests/support/string_console.h"
#include "tests/support/temp_folder.h"

namespace {

const std::string kOld = "the old metadata file";

// 3.5 MiB, so that the new file takes several writes.
std::string NewContent() {
  std::string content(3 * (1 << 20) + (1 << 19), 'n');
  content.back() = '!';
  return content;
}

struct Install {
  TempFolder folder;
  std::string met = folder.Path("X.part.met");
  StringConsole console;

  Install() { EXPECT_TRUE(WriteFileBytes(met, kOld)); }
  bool Run(Disk& disk) { return InstallMetFile(met, NewContent(), disk, console); }
};

TEST(MetInstallTest, NewFileInPlaceOldOneKept) {
  Install install;
  ASSERT_TRUE(install.Run(SystemDisk()));
  EXPECT_EQ(NewContent(), ReadFileBytes(install.met));
  EXPECT_EQ(kOld, ReadFileBytes(install.met + ".old"));
  EXPECT_EQ("X.part.met X.part.met.old", ListFolder(install.folder.path()));
  EXPECT_EQ("", install.console.output);
}

TEST(MetInstallTest, EveryFailingStepLeavesTheOldFileAlone) {
  struct Step {
    DiskOp op;
    int calls;  // how many calls a successful install makes
  };
  const Step steps[] = {{DiskOp::CreateNew, 1},   {DiskOp::Write, 4},       {DiskOp::Flush, 1},
                        {DiskOp::LinkNoReplace, 1}, {DiskOp::MoveReplace, 1}, {DiskOp::FlushFolder, 1}};
  for (const Step& step : steps) {
    for (int nth = 1; nth <= step.calls; ++nth) {
      SCOPED_TRACE(testing::Message() << "operation " << int(step.op) << " call " << nth);
      Install install;
      FaultyDisk disk;
      disk.FailCall(step.op, nth, kErrorNoSpace);
      EXPECT_FALSE(install.Run(disk));
      EXPECT_EQ(kOld, ReadFileBytes(install.met));
      EXPECT_EQ("X.part.met", ListFolder(install.folder.path()));
      EXPECT_EQ(nth, disk.Calls(step.op));
      const std::string unchanged = "Error: '" + install.met + "' was not rewritten, it is unchanged.\n";
      ASSERT_GE(install.console.output.size(), unchanged.size());
      EXPECT_EQ(unchanged, install.console.output.substr(install.console.output.size() - unchanged.size()));
      EXPECT_NE(std::string::npos,
                install.console.output.find("(Error " + std::to_string(kErrorNoSpace) + ")"));
    }
  }
}

TEST(MetInstallTest, WithoutSecondNamesTheOldFileIsMovedAndMovedBack) {
  Install plain;
  FaultyDisk noLinks;
  noLinks.FailCall(DiskOp::LinkNoReplace, 1, kErrorNotSupported, /*always=*/true);
  ASSERT_TRUE(plain.Run(noLinks));
  EXPECT_EQ(NewContent(), ReadFileBytes(plain.met));
  EXPECT_EQ(kOld, ReadFileBytes(plain.met + ".old"));

  for (DiskOp failing : {DiskOp::MoveReplace, DiskOp::FlushFolder}) {
    Install install;
    FaultyDisk disk;
    disk.FailCall(DiskOp::LinkNoReplace, 1, kErrorNotSupported, /*always=*/true);
    disk.FailCall(failing, 1, kErrorIo);
    EXPECT_FALSE(install.Run(disk));
    EXPECT_EQ(kOld, ReadFileBytes(install.met));
    EXPECT_EQ("X.part.met", ListFolder(install.folder.path()));
  }

  // The old file cannot go back: where it is is said, never "unchanged".
  Install stuck;
  FaultyDisk disk;
  disk.FailCall(DiskOp::LinkNoReplace, 1, kErrorNotSupported, /*always=*/true);
  disk.FailCall(DiskOp::MoveReplace, 1, kErrorIo);
  disk.FailCall(DiskOp::MoveNoReplace, 2, kErrorIo);
  EXPECT_FALSE(stuck.Run(disk));
  EXPECT_EQ(kOld, ReadFileBytes(stuck.met + ".old"));
  const std::string told = "Error: '" + stuck.met + "' was not rewritten, and the old file could "
                          "not go back to its name: it is '" + stuck.met + ".old'.\n";
  const std::string& out = stuck.console.output;
  EXPECT_EQ(told, out.substr(out.size() - std::min(out.size(), told.size())));
}

TEST(MetInstallTest, TheNewFileTakesTheOldOnesPermissions) {
  Install install;
  // 0640 where files have modes; a file is created 0644 or 0666 otherwise.
  std::filesystem::permissions(install.met, std::filesystem::perms::owner_read |
                                                std::filesystem::perms::owner_write |
                                                std::filesystem::perms::group_read);
  const auto before = std::filesystem::status(install.met).permissions();
  ASSERT_TRUE(install.Run(SystemDisk()));
  EXPECT_EQ(before, std::filesystem::status(install.met).permissions());
}

TEST(MetInstallTest, AStaleTemporaryFileIsLeftAlone) {
  Install install;
  ASSERT_TRUE(WriteFileBytes(install.met + ".new", "left by a killed run"));
  ASSERT_TRUE(install.Run(SystemDisk()));
  EXPECT_EQ(NewContent(), ReadFileBytes(install.met));
  EXPECT_EQ("left by a killed run", ReadFileBytes(install.met + ".new"));
}

}  // namespace
