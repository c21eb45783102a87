// A download of 5,000,000,000 bytes, as the clients keep one: version 0xE2,
// its size and gaps in 64-bit tags, its data file sparse. Listed on both
// routes, completed and rebuilt, seen from outside.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/console.h"
#include "sample/sample_download.h"
#include "tests/e2e/data_file_checks.h"
#include "tests/e2e/e2e_support.h"
#include "tests/support/child_process.h"
#include "tests/support/met_decoder.h"
#include "tests/support/platform_traits.h"
#include "tests/support/temp_folder.h"

namespace {

constexpr uint64_t kSize = 5000000000;
constexpr uint64_t k4GiB = 4294967296;
constexpr uint64_t P = kSamplePartSize;

// Gaps across the 4 GiB line, above it, empty, over the end of the file and
// past it; the data file holds data only around them, their own bytes too.
SampleDownload LargeDownload() {
  SampleDownload download;
  download.fileSize = kSize;
  download.gapContent = SampleGapContent::Data;
  download.gaps = {
      {k4GiB - 131072, k4GiB + 131072},
      {4500000000, 4500300000},
      {4700000000, 4700000000},
      {kSize - 65536, kSize + 65536},
      {kSize + 200000, kSize + 300000},
  };
  download.dataRegions = RegionsAroundGaps(download, 65536);
  return download;
}

class LargeE2eTest : public ::testing::Test {
 protected:
  void Write(const SampleDownload& written) {
    download = written;
    std::string error;
    ASSERT_TRUE(WriteSampleDownload(folder.path(), download, &error)) << error;
    old = ReadFileBytes(folder.Path("001.part.met"));
    allocated = AllocatedBytes(data);
  }

  // The listing's lines from the gap count on.
  std::string ListingTail(const std::string& clearings) {
    return "Gap Count: 5 (File Size: 4.65 GB)\nGaps in '001.part':\n" + clearings +
           // 262,144 + 300,000 + 65,536 bytes inside the file.
           "Cleaned space in '001.part': 612 KB\n";
  }

  TempFolder folder;
  SampleDownload download;
  std::string data = folder.Path("001.part");
  std::string old;
  uint64_t allocated = 0;
};

TEST_F(LargeE2eTest, TheClientsWriteItAsALargeDownload) {
  Write(LargeDownload());
  DecodedMet met = DecodeMet(old);
  ASSERT_TRUE(met.ok);
  EXPECT_EQ(0xE2, met.version);
  EXPECT_EQ(kSize, ClientFileSize(met));
  ASSERT_EQ(5u, ClientGaps(met).size());
  EXPECT_EQ(kSize, FileLength(data));
}

TEST_F(LargeE2eTest, ARunReleasesOrZeroesExactlyItsGaps) {
  Write(LargeDownload());
  // Where the file system cannot release ranges (wine), the same run takes
  // the zero fill and must still clear every gap.
  const bool releases = FileSystemReleasesRanges(folder.path());
  ProcessResult run = RunTool(folder.path(), {"001.part.met"});
  EXPECT_EQ(0, run.exitCode) << run.output;
  EXPECT_NE(std::string::npos,
            run.output.find(Lines(ListingTail(
                "\t3.99 GB ... 4.00 GB (256 KB)" + ClearedGapOutput(releases, 262144, 262144) +
                "\t4.19 GB ... 4.19 GB (292 KB)" + ClearedGapOutput(releases, 300000, 300000) +
                "\t4.37 GB ... 4.37 GB (0 bytes)" + ClearedGapOutput(releases, 0, 0) +
                "\t4.65 GB ... 4.65 GB (128 KB)" + ClearedGapOutput(releases, 131072, 65536) +
                "\t4.65 GB ... 4.65 GB (97.6 KB) ... [no data]\n"))))
      << run.output;
  EXPECT_EQ(kSize, FileLength(data));
  ExpectOnlyGapsZeroed(data, download);
  EXPECT_EQ(releases ? allocated - WholeBlocksInGaps(download) : allocated, AllocatedBytes(data));
  EXPECT_EQ(old, ReadFileBytes(folder.Path("001.part.met")));
}

TEST_F(LargeE2eTest, TheZeroFillWritesEveryGap) {
  Write(LargeDownload());
  ProcessResult run = RunTool(folder.path(), {"001.part.met", "--nosparse"});
  EXPECT_EQ(0, run.exitCode) << run.output;
  EXPECT_NE(std::string::npos,
            run.output.find(Lines(ListingTail(
                "\t3.99 GB ... 4.00 GB (256 KB) ... Zeroing 100 %\n"
                "\t4.19 GB ... 4.19 GB (292 KB) ... Zeroing 100 %\n"
                "\t4.37 GB ... 4.37 GB (0 bytes)\n"
                "\t4.65 GB ... 4.65 GB (128 KB) ... Zeroing  50 %\n"
                "\t4.65 GB ... 4.65 GB (97.6 KB) ... [no data]\n"))))
      << run.output;
  EXPECT_EQ(kSize, FileLength(data));
  ExpectOnlyGapsZeroed(data, download);
  EXPECT_EQ(allocated, AllocatedBytes(data));
}

TEST_F(LargeE2eTest, CompleteKeepsEveryOtherTagByteForByte) {
  SampleDownload complete = LargeDownload();
  complete.partHashes = true;
  complete.emuleTags = true;
  Write(complete);
  ProcessResult run = RunTool(folder.path(), {"001.part.met", "--complete"});
  EXPECT_EQ(0, run.exitCode) << run.output;
  DecodedMet before = DecodeMet(old), after = DecodeMet(ReadFileBytes(folder.Path("001.part.met")));
  ASSERT_TRUE(after.ok);
  EXPECT_EQ(0xE2, after.version);
  EXPECT_EQ(before.head, after.head);
  EXPECT_EQ(515u, after.head.size() / 16);  // 514 part hashes behind 27 bytes
  EXPECT_TRUE(ClientGaps(after).empty());
  ASSERT_EQ(before.tags.size() - 10, after.tags.size());
  EXPECT_EQ(after.tags.size(), after.tagCount);
  for (size_t i = 0; i < after.tags.size(); ++i) {
    EXPECT_EQ(before.tags[i].name, after.tags[i].name) << i;
    EXPECT_EQ(before.tags[i].type, after.tags[i].type) << i;
    EXPECT_EQ(before.tags[i].raw, after.tags[i].raw) << i;
  }
  EXPECT_EQ(kSize, ClientFileSize(after));
}

TEST_F(LargeE2eTest, ACorruptPartAbove4GiBBecomesA64BitGap) {
  SampleDownload rebuilt = LargeDownload();
  rebuilt.partHashes = true;
  rebuilt.corruptParts = {460};  // 4,474,880,000 to 4,484,608,000
  // Nothing arrived in the gaps: the parts that hold them are not complete.
  rebuilt.gapContent = SampleGapContent::Holes;
  Write(rebuilt);
  ProcessResult run = RunTool(folder.path(), {"001.part.met", "--rebuild"});
  EXPECT_EQ(0, run.exitCode) << run.output;
  EXPECT_NE(std::string::npos,
            run.output.find(Lines("Part 460 is corrupt, New Gap 10ab94000 .. 10b4db000 was added\n")))
      << run.output.substr(run.output.size() - std::min<size_t>(run.output.size(), 400));
  // Parts 441 and 462 hold gaps and are not judged; 514 lines in all.
  EXPECT_NE(std::string::npos, run.output.find(Lines("Calculated Hash 513: ")));
  DecodedMet before = DecodeMet(old), after = DecodeMet(ReadFileBytes(folder.Path("001.part.met")));
  ASSERT_TRUE(after.ok);
  EXPECT_EQ(0xE2, after.version);
  EXPECT_EQ(before.head, after.head);
  // A gap, and the corrupted-parts list "460".
  EXPECT_EQ(before.tagCount + 3, after.tagCount);
  ClientGapList expected;
  for (const SampleGap& gap : download.gaps) expected.emplace_back(gap.start, gap.end);
  expected.emplace_back(460 * P, 461 * P);
  EXPECT_EQ(expected, ClientGaps(after));
  // Every gap tag in the clients' type for a large download, 64-bit.
  size_t gapTags = 0;
  for (const DecodedTag& tag : after.tags) {
    if (tag.name.size() < 2 || (tag.name[0] != '\x09' && tag.name[0] != '\x0A')) continue;
    ++gapTags;
    EXPECT_EQ(0x0B, tag.type) << tag.name;
  }
  EXPECT_EQ(12u, gapTags);
}

}  // namespace
