#include "platform/disk.h"

#include <gtest/gtest.h>

#include "tests/support/error_codes.h"
#include "tests/support/temp_folder.h"

namespace {

Disk& disk = SystemDisk();

TEST(DiskTest, NamesAreNeverReplacedUnlessAsked) {
  TempFolder folder;
  const std::string a = folder.Path("a"), b = folder.Path("b");
  ASSERT_TRUE(WriteFileBytes(a, "first"));
  ASSERT_TRUE(WriteFileBytes(b, "second"));
  EXPECT_TRUE(IsAlreadyExists(disk.CreateNew(a).error));
  EXPECT_TRUE(IsAlreadyExists(disk.LinkNoReplace(a, b)));
  EXPECT_TRUE(IsAlreadyExists(disk.MoveNoReplace(a, b)));
  EXPECT_EQ("first", ReadFileBytes(a));
  EXPECT_EQ("second", ReadFileBytes(b));

  ASSERT_EQ(0, disk.LinkNoReplace(a, folder.Path("c")));
  EXPECT_EQ("first", ReadFileBytes(folder.Path("c")));
  ASSERT_EQ(0, disk.MoveReplace(a, b));
  EXPECT_EQ("first", ReadFileBytes(b));
  EXPECT_FALSE(PathExists(a));
  EXPECT_EQ(kErrorNotFound, disk.Remove(a));
}

TEST(DiskTest, AnExclusiveOpenKeepsOthersOut) {
  TempFolder folder;
  const std::string path = folder.Path("data.part");
  ASSERT_TRUE(WriteFileBytes(path, "data"));
  OpenResult held = disk.OpenExclusive(path);
  ASSERT_EQ(0, held.error);
  EXPECT_EQ(kErrorLocked, disk.OpenExclusive(path).error);
  EXPECT_NE(0, disk.OpenForReading(path).error);
  held.file.Close();
  EXPECT_EQ(0, disk.OpenExclusive(path).error);
}

TEST(DiskTest, ReadsWritesAndSeeksPastTwoGiB) {
  TempFolder folder;
  const std::string path = folder.Path("big.part");
  ASSERT_TRUE(WriteFileBytes(path, ""));
  {
    OpenResult opened = disk.OpenExclusive(path);
    ASSERT_EQ(0, opened.error);
    ASSERT_EQ(0, disk.Seek(opened.file, 3000000000ull));
    ASSERT_EQ(0, disk.Write(opened.file, "end", 3));
    uint64_t size = 0;
    ASSERT_EQ(0, disk.FileSize(opened.file, &size));
    EXPECT_EQ(3000000003ull, size);
    // Releasing a range never changes the size, even where it is refused.
    disk.ZeroRange(opened.file, 2999990000ull, 2000);
    ASSERT_EQ(0, disk.FileSize(opened.file, &size));
    EXPECT_EQ(3000000003ull, size);
  }
  OpenResult reading = disk.OpenForReading(path);
  ASSERT_EQ(0, reading.error);
  ASSERT_EQ(0, disk.Seek(reading.file, 3000000001ull));
  char tail[8] = {};
  ReadResult got = disk.Read(reading.file, tail, sizeof tail);
  EXPECT_EQ(0, got.error);
  EXPECT_EQ(2u, got.count);
  EXPECT_EQ('n', tail[0]);
}

}  // namespace
