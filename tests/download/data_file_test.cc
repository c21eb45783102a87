#include "download/data_file.h"

#include <gtest/gtest.h>

#include "platform/disk.h"
#include "platform/path.h"
#include "tests/support/string_console.h"
#include "tests/support/temp_folder.h"

namespace {

TEST(DataFileTest, OnlyAMetadataNameTellsTheDataFile) {
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

TEST(DataFileTest, NamesOnlyMetadataFilesHave) {
  for (const char* name : {"X.part.met", "x.MET", "X.part.met.old", "X.bak", "X.part.000",
                           "dl/X.part.met.0123"})
    EXPECT_TRUE(IsMetadataFileName(name)) << name;
  for (const char* name : {"X.part", "X.part.12", "met", "X.metx", "X.part.met/X.part", "old"})
    EXPECT_FALSE(IsMetadataFileName(name)) << name;
}

TEST(DataFileTest, TheMetadataFileAndItsBackupsAreKnownUnderAnyName) {
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
    StringConsole console;
    return !OpenForClearing(metPath, folder.Path(name), disk, console).has_value() &&
           console.output.find("is a metadata file or a backup of one") != std::string::npos;
  };
  EXPECT_FALSE(refused(met, "X.part"));
  EXPECT_TRUE(refused(met, "link-to-met"));
  EXPECT_TRUE(refused(met, "link-to-backup"));
  EXPECT_TRUE(refused(met, "X.part.met"));
  // Given a backup as the metadata path, the live file is guarded too.
  EXPECT_TRUE(refused(folder.Path("X.part.met.000"), "link-to-met"));
  EXPECT_FALSE(refused(folder.Path("X.part.met.000"), "X.part"));
}

TEST(DataFileTest, ANameTagChoosesTheDataFileBesideTheMetadataFile) {
  const std::string met = "dl/X.part.met";
  Disk& disk = SystemDisk();
  std::string notes;
  EXPECT_EQ("dl/X.part", FindDataFile(met, {}, disk, &notes));
  // The last plain name wins; one that could leave the folder is said to
  // be ignored.
  EXPECT_EQ(AppendPath("dl", "b.part"),
            FindDataFile(met, {"a.part", "b.part", "../c.part", "d/e"}, disk, &notes));
  EXPECT_EQ("Error: part file name '../c.part' is not a plain file name, it is ignored.\n"
            "Error: part file name 'd/e' is not a plain file name, it is ignored.\n",
            notes);
  EXPECT_EQ("dl/X.part", FindDataFile(met, {"../c.part"}, disk, &notes));
  EXPECT_EQ("", FindDataFile("download.dat", {}, disk, &notes));
  EXPECT_EQ("a.part", FindDataFile("download.dat", {"a.part"}, disk, &notes));
}

TEST(DataFileTest, TheFileNamedLikeTheMetadataFileGoesBeforeANameTag) {
  // As the clients read it: a tag from before a rename names another download.
  TempFolder folder;
  ASSERT_TRUE(WriteFileBytes(folder.Path("X.part"), "data"));
  ASSERT_TRUE(WriteFileBytes(folder.Path("Y.part"), "other download"));
  std::string notes;
  const std::string met = folder.Path("X.part.met"), x = folder.Path("X.part");
  EXPECT_EQ(x, FindDataFile(met, {"X.part"}, SystemDisk(), &notes));
  EXPECT_EQ("", notes);
  EXPECT_EQ(x, FindDataFile(met, {"Y.part"}, SystemDisk(), &notes));
  EXPECT_EQ("The name tag names '" + folder.Path("Y.part") + "', but the clients read the data " +
                "file named like the metadata file: '" + x + "' is used.\n",
            notes);
  EXPECT_EQ(folder.Path("Y.part"),
            FindDataFile(folder.Path("W.part.met"), {"Y.part"}, SystemDisk(), &notes));
}

}  // namespace
