#include "gaps/part_file_path.h"

#include <gtest/gtest.h>

#include "platform/disk.h"
#include "tests/support/temp_folder.h"

namespace {

TEST(PartFilePathTest, OnlyAMetadataNameTellsTheDataFile) {
  EXPECT_EQ("X.part", DefaultPartFilePath("X.part.met"));
  EXPECT_EQ("dl/X.part", DefaultPartFilePath("dl/X.part.met"));
  EXPECT_EQ("a", DefaultPartFilePath("a.met"));
  EXPECT_EQ("X.PART", DefaultPartFilePath("X.PART.MET"));
  // A backup, as tab completion offers it, stands for the same download.
  EXPECT_EQ("X.part", DefaultPartFilePath("X.part.met.old"));
  EXPECT_EQ("X.part", DefaultPartFilePath("X.part.met.bak"));
  EXPECT_EQ("X.part", DefaultPartFilePath("X.part.met.000"));
  EXPECT_EQ("X.part", DefaultPartFilePath("X.part.met.1000"));
  EXPECT_EQ("X.part", DefaultPartFilePath("X.part.met.BAK"));
  // Any other name says nothing about a data file.
  EXPECT_EQ("", DefaultPartFilePath("X.part.xy"));
  EXPECT_EQ("", DefaultPartFilePath("X.part"));
  EXPECT_EQ("", DefaultPartFilePath("X.part.old"));
  EXPECT_EQ("", DefaultPartFilePath("X.part.met.12"));
  EXPECT_EQ("", DefaultPartFilePath(".met"));
  EXPECT_EQ("", DefaultPartFilePath(""));
}

TEST(PartFilePathTest, NamesOnlyMetadataFilesHave) {
  for (const char* name : {"X.part.met", "x.MET", "X.part.met.old", "X.bak", "X.part.000",
                           "dl/X.part.met.0123"})
    EXPECT_TRUE(IsMetadataFileName(name)) << name;
  for (const char* name : {"X.part", "X.part.12", "met", "X.metx", "X.part.met/X.part", "old"})
    EXPECT_FALSE(IsMetadataFileName(name)) << name;
}

TEST(PartFilePathTest, TheMetadataFileAndItsBackupsAreKnownUnderAnyName) {
  TempFolder folder;
  Disk& disk = SystemDisk();
  const std::string met = folder.Path("X.part.met");
  ASSERT_TRUE(WriteFileBytes(met, "met"));
  ASSERT_TRUE(WriteFileBytes(folder.Path("X.part.met.000"), "backup 0"));
  ASSERT_TRUE(WriteFileBytes(folder.Path("X.part.met.001"), "backup 1"));
  ASSERT_TRUE(WriteFileBytes(folder.Path("X.part"), "data"));
  // Second names that hide what a file is.
  ASSERT_EQ(0, disk.LinkNoReplace(met, folder.Path("link-to-met")));
  ASSERT_EQ(0, disk.LinkNoReplace(folder.Path("X.part.met.001"), folder.Path("link-to-backup")));

  auto refused = [&](const std::string& metPath, const std::string& name) {
    OpenResult opened = disk.OpenShared(folder.Path(name));
    EXPECT_TRUE(opened.ok()) << name;
    return RefuseMetadataFile(metPath, folder.Path(name), opened.finalPath, opened.file, disk)
        .has_value();
  };
  EXPECT_FALSE(refused(met, "X.part"));
  EXPECT_TRUE(refused(met, "link-to-met"));
  EXPECT_TRUE(refused(met, "link-to-backup"));
  EXPECT_TRUE(refused(met, "X.part.met"));
  // Given a backup as the metadata path, the live file is guarded too.
  EXPECT_TRUE(refused(folder.Path("X.part.met.000"), "link-to-met"));
  EXPECT_FALSE(refused(folder.Path("X.part.met.000"), "X.part"));
}

}  // namespace
