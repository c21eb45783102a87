#include "tests/support/memory_disk.h"

#include <gtest/gtest.h>

#include "tests/support/error_codes.h"

namespace {

TEST(MemoryDiskTest, FilesReadAndWriteLikeOnDisk) {
  MemoryDisk disk;
  disk.PutFile("a", "hello world");
  OpenResult opened = disk.OpenExclusive("a");
  ASSERT_EQ(0, opened.error);
  uint64_t size = 0;
  EXPECT_EQ(0, FileSize(disk, opened.file, &size));
  EXPECT_EQ(11u, size);
  EXPECT_EQ(0, disk.Seek(opened.file, 6));
  EXPECT_EQ(0, disk.Write(opened.file, "WORLD!", 6));
  EXPECT_EQ(0, disk.Seek(opened.file, 0));
  char buffer[32] = {};
  ReadResult got = disk.Read(opened.file, buffer, sizeof buffer);
  EXPECT_EQ(12u, got.count);
  EXPECT_EQ("hello WORLD!", std::string(buffer, got.count));
  EXPECT_EQ(0u, disk.Read(opened.file, buffer, sizeof buffer).count);  // the end

  // A released range reads zero and the size stays, even past the end.
  EXPECT_EQ(0, disk.PunchHole(opened.file, 10, 100));
  EXPECT_EQ(std::string("hello WORL\0\0", 12), *disk.FileBytes("a"));
  disk.RefuseRelease(kErrorNotSupported);
  EXPECT_EQ(kErrorNotSupported, disk.PunchHole(opened.file, 0, 1));

  // Writing far past the end fails as on a full disk instead of taking all memory.
  EXPECT_EQ(0, disk.Seek(opened.file, MemoryDisk::kCapacity));
  EXPECT_EQ(kErrorNoSpace, disk.Write(opened.file, "x", 1));
}

TEST(MemoryDiskTest, OpenFilesStandInEachOthersWay) {
  MemoryDisk disk;
  disk.PutFile("a", "x");
  EXPECT_EQ(kErrorNotFound, disk.OpenShared("missing").error);
  {
    OpenResult reading = disk.OpenForReading("a");
    ASSERT_EQ(0, reading.error);
    EXPECT_EQ(1u, disk.OpenFileCount());
    EXPECT_EQ(kErrorBusy, disk.OpenExclusive("a").error);
    EXPECT_EQ(0, disk.OpenShared("a").error);
    EXPECT_EQ(1u, disk.OpenFileCount());  // the shared one closed itself
  }
  EXPECT_EQ(0u, disk.OpenFileCount());
  OpenResult exclusive = disk.OpenExclusive("a");
  ASSERT_EQ(0, exclusive.error);
  EXPECT_EQ(kErrorBusy, disk.OpenForReading("a").error);
  File stray;  // a file this disk did not open
  EXPECT_EQ(kErrorIo, disk.Write(stray, "x", 1));
  exclusive.file.Close();
  EXPECT_EQ(0u, disk.OpenFileCount());
}

TEST(MemoryDiskTest, NamesAreNeverReplacedUnlessAsked) {
  MemoryDisk disk;
  disk.PutFile("a", "old");
  disk.PutFile("b", "other");
  EXPECT_EQ(kErrorAlreadyExists, disk.CreateNew("a").error);
  EXPECT_EQ(kErrorAlreadyExists, disk.LinkNoReplace("a", "b"));
  EXPECT_EQ(kErrorAlreadyExists, disk.MoveNoReplace("a", "b"));
  EXPECT_EQ(0, disk.LinkNoReplace("a", "a.old"));
  EXPECT_EQ("a a.old b", disk.ListFiles());
  {
    OpenResult created = disk.CreateNew("a.new");
    ASSERT_EQ(0, created.error);
    EXPECT_EQ(0, disk.Write(created.file, "new", 3));
  }
  EXPECT_EQ(0, disk.MoveReplace("a.new", "a"));
  EXPECT_EQ("new", *disk.FileBytes("a"));
  EXPECT_EQ("old", *disk.FileBytes("a.old"));
  EXPECT_EQ(0, disk.Remove("b"));
  EXPECT_EQ(kErrorNotFound, disk.Remove("b"));
  EXPECT_EQ("a a.old", disk.ListFiles());
}

}  // namespace
