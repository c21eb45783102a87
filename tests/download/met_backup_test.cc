#include "download/met_backup.h"

#include <gtest/gtest.h>

#include "tests/support/error_codes.h"
#include "tests/support/faulty_disk.h"
#include "tests/support/temp_folder.h"

namespace {

TEST(MetBackupTest, Names) {
  EXPECT_EQ("X.part.met.old", BackupName("X.part.met", 0));
  EXPECT_EQ("X.part.met.000", BackupName("X.part.met", 1));
  EXPECT_EQ("X.part.met.001", BackupName("X.part.met", 2));
  EXPECT_EQ("X.part.met.999", BackupName("X.part.met", 1000));
  EXPECT_EQ("X.part.met.1000", BackupName("X.part.met", 1001));
}

TEST(MetBackupTest, SuccessiveBackupsTakeTheNextFreeName) {
  TempFolder folder;
  std::string met = folder.Path("X.part.met");
  Disk& disk = SystemDisk();
  const char* expected[] = {".old", ".000", ".001"};
  for (int run = 0; run < 3; ++run) {
    ASSERT_TRUE(WriteFileBytes(met, "version " + std::to_string(run)));
    BackupResult backup = BackupMetFile(met, disk);
    ASSERT_EQ(0, backup.error);
    EXPECT_EQ(met + expected[run], backup.name);
    EXPECT_FALSE(backup.moved);
    EXPECT_EQ("version " + std::to_string(run), ReadFileBytes(backup.name));
    // The metadata file keeps its name: it is never missing.
    EXPECT_TRUE(PathExists(met));
    ASSERT_EQ(0, disk.Remove(met));
  }
  EXPECT_EQ("version 0", ReadFileBytes(met + ".old"));
  EXPECT_EQ("version 1", ReadFileBytes(met + ".000"));
}

TEST(MetBackupTest, AnExistingNameIsNeverReplaced) {
  TempFolder folder;
  std::string met = folder.Path("X.part.met");
  ASSERT_TRUE(WriteFileBytes(met, "new"));
  ASSERT_TRUE(WriteFileBytes(met + ".old", "oldest"));
  ASSERT_TRUE(WriteFileBytes(met + ".000", "older"));
  BackupResult backup = BackupMetFile(met, SystemDisk());
  ASSERT_EQ(0, backup.error);
  EXPECT_EQ(met + ".001", backup.name);
  EXPECT_EQ("oldest", ReadFileBytes(met + ".old"));
  EXPECT_EQ("older", ReadFileBytes(met + ".000"));
  EXPECT_EQ("new", ReadFileBytes(met + ".001"));
}

TEST(MetBackupTest, WithoutSecondNamesTheFileIsRenamed) {
  TempFolder folder;
  std::string met = folder.Path("X.part.met");
  ASSERT_TRUE(WriteFileBytes(met, "content"));
  ASSERT_TRUE(WriteFileBytes(met + ".old", "kept"));
  FaultyDisk disk;
  disk.FailCall(DiskOp::LinkNoReplace, 1, kErrorNotSupported, /*always=*/true);
  BackupResult backup = BackupMetFile(met, disk);
  ASSERT_EQ(0, backup.error);
  EXPECT_TRUE(backup.moved);
  EXPECT_EQ(met + ".000", backup.name);
  EXPECT_FALSE(PathExists(met));
  EXPECT_EQ("content", ReadFileBytes(met + ".000"));
  EXPECT_EQ("kept", ReadFileBytes(met + ".old"));
}

TEST(MetBackupTest, OtherFailuresStop) {
  TempFolder folder;
  std::string met = folder.Path("X.part.met");
  BackupResult missing = BackupMetFile(met, SystemDisk());
  EXPECT_EQ(kErrorNotFound, missing.error);
  EXPECT_FALSE(PathExists(met + ".old"));
}

}  // namespace
