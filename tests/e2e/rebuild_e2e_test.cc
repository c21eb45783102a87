// "/rebuild" seen from outside: the check of every part, the gaps it writes
// for corrupt ones, and what happens when the data file cannot be read.
#include <gtest/gtest.h>

#include <cstdio>

#include "platform/path.h"
#include "sample/sample_download.h"
#include "tests/e2e/e2e_support.h"
#include "tests/support/met_decoder.h"
#include "tests/support/platform_traits.h"
#include "tests/support/temp_folder.h"

namespace {

struct Download {
  TempFolder folder;
  SampleDownload sample;
  std::string old;

  Download(std::vector<uint32_t> corrupt, bool nameTag = true) {
    sample.partHashes = true;
    sample.corruptParts = corrupt;
    sample.gaps = {};
    sample.partFileNameTag = nameTag;
    std::string error;
    EXPECT_TRUE(WriteSampleDownload(folder.path(), sample, &error)) << error;
    old = ReadFileBytes(folder.Path("001.part.met"));
  }
};

TEST(RebuildE2eTest, CorruptNeighboursBecomeOneGapTheClientsCanRead) {
  Download download({1, 2});
  // Run from another folder: the data file is found beside the metadata file.
  TempFolder elsewhere;
  ProcessResult run = RunTool(elsewhere.path(), {download.folder.Path("001.part.met"), "/rebuild"});
  EXPECT_EQ(0, run.exitCode) << run.output;
  EXPECT_NE(std::string::npos,
            run.output.find(Lines("Hashed Part Count: 4\nHash Id for Part 0: ")));
  EXPECT_NE(std::string::npos, run.output.find(Lines("Calculating hashs ...\nCalculated Hash 000: ")));
  EXPECT_NE(std::string::npos, run.output.find(Lines(" [ ]\nCalculated Hash 003: ")));
  const std::string tail = Lines(
      "Part 1 is corrupt, New Gap 947000 .. 128e000 was added\n"
      "Part 2 is corrupt, Gap 0 was expanded to 947000 .. 1bd5000\n"
      "Tag Count : 11\n") + Lines(GapBarLine(25, 75));
  ASSERT_GE(run.output.size(), tail.size());
  EXPECT_EQ(tail, run.output.substr(run.output.size() - tail.size()));

  DecodedMet before = DecodeMet(download.old);
  DecodedMet after = DecodeMet(ReadFileBytes(download.folder.Path("001.part.met")));
  ASSERT_TRUE(after.ok);
  EXPECT_EQ(before.tagCount + 2, after.tagCount);
  EXPECT_EQ(before.head, after.head);
  EXPECT_EQ((ClientGapList{{9728000, 29184000}}), ClientGaps(after));
  EXPECT_EQ("\x09" "0", after.tags[after.tags.size() - 2].name);
  EXPECT_EQ(download.old, ReadFileBytes(download.folder.Path("001.part.met.old")));
}

TEST(RebuildE2eTest, SoundPartsLeaveTheGapsAsTheyWere) {
  Download download({});
  ProcessResult run = RunTool(download.folder.path(), {"001.part.met", "/rebuild"});
  EXPECT_EQ(0, run.exitCode);
  EXPECT_EQ(std::string::npos, run.output.find("corrupt"));
  // A file without gap tags comes back the same.
  EXPECT_EQ(download.old, ReadFileBytes(download.folder.Path("001.part.met")));
}

TEST(RebuildE2eTest, AClientFileWithoutANameTagFindsItsDataFile) {
  Download download({3}, /*nameTag=*/false);
  ProcessResult run = RunTool(download.folder.path(), {"001.part.met", "/rebuild"});
  EXPECT_EQ(0, run.exitCode) << run.output;
  EXPECT_NE(std::string::npos,
            run.output.find(Lines("Part 3 is corrupt, New Gap 1bd5000 .. 251c000 was added\n")));
}

TEST(RebuildE2eTest, NothingIsRewrittenWhenNothingCouldBeChecked) {
  Download download({1});
  std::remove(download.folder.Path("001.part").c_str());
  ProcessResult run = RunTool(download.folder.path(), {"001.part.met", "/rebuild"});
  EXPECT_EQ(1, run.exitCode);
  const std::string tail = Lines(
      "Error: Can't open partfile 001.part\n"
      "Error: '001.part.met' was not rewritten, it is unchanged.\n");
  ASSERT_GE(run.output.size(), tail.size());
  EXPECT_EQ(tail, run.output.substr(run.output.size() - tail.size()));
  EXPECT_EQ("001.part.met", ListFolder(download.folder.path()));
  EXPECT_EQ(download.old, ReadFileBytes(download.folder.Path("001.part.met")));
}

}  // namespace
