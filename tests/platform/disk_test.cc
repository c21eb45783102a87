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
    ASSERT_EQ(0, FileSize(disk, opened.file, &size));
    EXPECT_EQ(3000000003ull, size);
    // Releasing a range never changes the size, even where it is refused.
    disk.PunchHole(opened.file, 2999990000ull, 2000);
    ASSERT_EQ(0, FileSize(disk, opened.file, &size));
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

TEST(DiskTest, ReadsAtAnOffsetPastFourGiBWhereverThePositionIs) {
  TempFolder folder;
  const std::string path = folder.Path("big.part");
  ASSERT_TRUE(WriteFileBytes(path, ""));
  const uint64_t at = (uint64_t{1} << 32) + 5;
  {
    OpenResult opened = disk.OpenExclusive(path);
    ASSERT_EQ(0, opened.error);
    disk.SetSparse(opened.file);
    ASSERT_EQ(0, disk.Seek(opened.file, at));
    ASSERT_EQ(0, disk.Write(opened.file, "far", 3));
  }
  OpenResult reading = disk.OpenForReading(path);
  ASSERT_EQ(0, reading.error);
  ASSERT_EQ(0, disk.Seek(reading.file, 0));
  char bytes[8] = {};
  ReadResult got = disk.ReadAt(reading.file, at + 1, bytes, sizeof bytes);
  EXPECT_EQ(0, got.error);
  ASSERT_EQ(2u, got.count);
  EXPECT_EQ("ar", std::string(bytes, 2));
  // 2^32 bytes further on would be 5 bytes in, had the offset lost its high word.
  got = disk.ReadAt(reading.file, 5, bytes, 3);
  ASSERT_EQ(3u, got.count);
  EXPECT_EQ(std::string(3, '\0'), std::string(bytes, 3));
  // At and past the end there is nothing to read, and that is no error.
  EXPECT_EQ(0u, disk.ReadAt(reading.file, at + 3, bytes, 1).count);
  EXPECT_EQ(0, disk.ReadAt(reading.file, at + 1000000, bytes, 1).error);
  EXPECT_EQ(0u, disk.ReadAt(reading.file, at + 1000000, bytes, 1).count);
}

TEST(DiskTest, ASequentialReaderReadsTheFileOfTheHandleItCameFrom) {
  TempFolder folder;
  const std::string path = folder.Path("data.part");
  ASSERT_TRUE(WriteFileBytes(path, "the download's bytes"));
  OpenResult first = disk.OpenForReading(path);
  ASSERT_EQ(0, first.error);
  OpenResult reader = disk.OpenSequentialReader(first.file);
  ASSERT_TRUE(reader.ok()) << reader.error;
  // Another file put in place of the name since is not the one read, where
  // the system lets a name be replaced while the file is open.
  ASSERT_TRUE(WriteFileBytes(folder.Path("other"), "another file's bytes"));
  disk.MoveReplace(folder.Path("other"), path);
  OpenResult second = disk.OpenSequentialReader(first.file);
  ASSERT_TRUE(second.ok()) << second.error;
  for (File* file : {&reader.file, &second.file}) {
    char bytes[32] = {};
    ReadResult got = disk.ReadAt(*file, 4, bytes, sizeof bytes);
    EXPECT_EQ(0, got.error);
    EXPECT_EQ("download's bytes", std::string(bytes, got.count));
  }
  // Each has a position of its own, and closing one leaves the others open.
  ASSERT_EQ(0, disk.Seek(first.file, 0));
  ASSERT_EQ(0, disk.Seek(second.file, 2));
  reader.file.Close();
  char byte = 0;
  ASSERT_EQ(1u, disk.Read(first.file, &byte, 1).count);
  EXPECT_EQ('t', byte);
  ASSERT_EQ(1u, disk.Read(second.file, &byte, 1).count);
  EXPECT_EQ('e', byte);
}

}  // namespace

#if !defined(_WIN32)
#include <filesystem>

#include "platform/open_checks.h"

namespace {

// A disk's folder as sysfs shows it: the bus its device hangs on, and the
// vendor and model a SCSI or ATA disk reports.
struct SysfsDisk {
  const char* bus;
  const char* vendor;
  const char* model;
  bool virtualDisk;
};

TEST(VirtualDiskTest, AHypervisorsDiskIsKnownByItsBusVendorOrModel) {
  const SysfsDisk disks[] = {
      {"virtio", nullptr, nullptr, true},
      {"xen", nullptr, nullptr, true},
      {"scsi", "QEMU    \n", "QEMU HARDDISK   \n", true},
      {"scsi", "VMware  \n", "Virtual disk    \n", true},
      {"scsi", "Msft    \n", "Virtual Disk    \n", true},
      {"scsi", "ATA     \n", "VBOX HARDDISK   \n", true},
      {"scsi", "ATA     \n", "ST2000DM008-2FR1\n", false},
      {"nvme", nullptr, "Samsung SSD 980 PRO 1TB\n", false},
      {nullptr, nullptr, nullptr, false},
  };
  for (const SysfsDisk& sample : disks) {
    TempFolder folder;
    const std::string root = folder.Path("disk") + "/";
    std::filesystem::create_directories(root + "device");
    std::filesystem::create_directories(folder.Path("bus"));
    if (sample.bus) {
      std::filesystem::create_directories(folder.Path("bus/") + sample.bus);
      std::filesystem::create_directory_symlink(folder.Path("bus/") + sample.bus,
                                                root + "device/subsystem");
    }
    if (sample.vendor) {
      ASSERT_TRUE(WriteFileBytes(root + "device/vendor", sample.vendor));
    }
    if (sample.model) {
      ASSERT_TRUE(WriteFileBytes(root + "device/model", sample.model));
    }
    EXPECT_EQ(sample.virtualDisk, VirtualDisk(root))
        << (sample.bus ? sample.bus : "no bus") << " " << (sample.model ? sample.model : "");
  }
}

}  // namespace
#endif
