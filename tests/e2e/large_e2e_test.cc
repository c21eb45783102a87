// Large downloads seen from outside. One of more than 3 GiB and one of
// 5,000,000,000 bytes, as the clients keep it (version 0xE2, its size and
// gaps in 64-bit tags), both with sparse data files, are listed on both
// routes; the second is also completed and rebuilt.
#include <gtest/gtest.h>

#include <string>
#include <vector>

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

// A download of more than 3 GiB, sparse so that it costs no disk: only the
// stretches around its gaps hold data, the gaps' own bytes included, so that
// clearing them shows in what the file holds and in the disk it takes.
SampleDownload DownloadOver3GiB() {
  SampleDownload download;
  download.fileSize = 3599998976;  // 878,906 blocks
  download.gapContent = SampleGapContent::Data;
  const uint64_t size = download.fileSize;
  download.gaps = {
      {0, 262144},                                 // at the start
      {1073741824, 1073741824 + 300000},           // the 300,000-byte example
      {2147483648 - 131072, 2147483648 + 131072},  // across the 2 GiB line
      {3000000000, 3000000000},                    // empty
      {size - 65536, size + 65536},                // over the end of the file
      {size + 200000, size + 300000},              // beyond the end of the file
  };
  download.dataRegions = RegionsAroundGaps(download, 65536);
  return download;
}

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
  }

  TempFolder folder;
  SampleDownload download;
  std::string data = folder.Path("001.part");
  std::string old;
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

// What a listing of a large download prints and gives back, on either route.
struct LargeListing {
  const char* name;
  SampleDownload (*download)();
  /// The lines before the gaps.
  const char* header;
  /// The gaps' lines where the file system releases ranges.
  const char* released;
  /// The gaps' lines on the zero fill: with /nosparse, and where the file
  /// system cannot release ranges (wine).
  const char* zeroFilled;
  /// The totals on either route: released, and zeroed in blocks kept.
  const char* releasedTotals;
  const char* zeroFilledTotals;
  /// The whole blocks inside the gaps' part of the file, which releasing
  /// gives back (a block only partly inside a gap is zeroed, not freed).
  uint64_t releasedBytes;
};

const LargeListing kLargeListings[] = {
    {"Over3GiB", DownloadOver3GiB,
     "Hash Id: 076332448cc70ad64409da8a6c70ceea\nHashed Part Count: 0\nTag Count : 21\n"
     "Gap Count: 6 (File Size: 3.35 GB)\nGaps in '001.part':\n",
     "\t0 bytes ... 255 KB (256 KB) ... Zeroing 100 %\n\n"
     "\t1.00 GB ... 1.00 GB (292 KB) ... Zeroing 100 %\n\n"
     "\t1.99 GB ... 2.00 GB (256 KB) ... Zeroing 100 %\n\n"
     "\t2.79 GB ... 2.79 GB (0 bytes) ... Zeroing 100 %\n\n"
     "\t3.35 GB ... 3.35 GB (64.0 KB) ... Zeroing 100 %\n\n"
     "\t3.35 GB ... 3.35 GB (97.6 KB) ... past the download's size, not cleared\n",
     "\t0 bytes ... 255 KB (256 KB) ... Zeroing 100 %\n"
     "\t1.00 GB ... 1.00 GB (292 KB) ... Zeroing 100 %\n"
     "\t1.99 GB ... 2.00 GB (256 KB) ... Zeroing 100 %\n"
     "\t2.79 GB ... 2.79 GB (0 bytes)\n"
     "\t3.35 GB ... 3.35 GB (64.0 KB) ... Zeroing 100 %\n"
     "\t3.35 GB ... 3.35 GB (97.6 KB) ... past the download's size, not cleared\n",
     // 262,144 + 300,000 + 262,144 + 65,536 bytes inside the file, of
     // which 992 share blocks with data outside the gaps.
     "Cleaned space in '001.part': 868 KB\n"
     "Written over with zeros in '001.part': 992 bytes, whose space the file system keeps\n",
     "Cleaned space in '001.part': 0 bytes\n"
     "Written over with zeros in '001.part': 868 KB, whose space the file system keeps\n",
     // 64 + 73 + 64 + 16 blocks.
     888832},
    {"Of5GB", LargeDownload,
     "Hash Id: 076332448cc70ad64409da8a6c70ceea\nHashed Part Count: 0\nTag Count : 19\n"
     "Gap Count: 5 (File Size: 4.65 GB)\nGaps in '001.part':\n",
     "\t3.99 GB ... 4.00 GB (256 KB) ... Zeroing 100 %\n\n"
     "\t4.19 GB ... 4.19 GB (292 KB) ... Zeroing 100 %\n\n"
     "\t4.37 GB ... 4.37 GB (0 bytes) ... Zeroing 100 %\n\n"
     "\t4.65 GB ... 4.65 GB (64.0 KB) ... Zeroing 100 %\n\n"
     "\t4.65 GB ... 4.65 GB (97.6 KB) ... past the download's size, not cleared\n",
     "\t3.99 GB ... 4.00 GB (256 KB) ... Zeroing 100 %\n"
     "\t4.19 GB ... 4.19 GB (292 KB) ... Zeroing 100 %\n"
     "\t4.37 GB ... 4.37 GB (0 bytes)\n"
     "\t4.65 GB ... 4.65 GB (64.0 KB) ... Zeroing 100 %\n"
     "\t4.65 GB ... 4.65 GB (97.6 KB) ... past the download's size, not cleared\n",
     // 262,144 + 300,000 + 65,536 bytes inside the file.
     "Cleaned space in '001.part': 608 KB\n"
     "Written over with zeros in '001.part': 4.96 KB, whose space the file system keeps\n",
     "Cleaned space in '001.part': 0 bytes\n"
     "Written over with zeros in '001.part': 612 KB, whose space the file system keeps\n",
     // 64 + 73 + 15 blocks: the file ends inside a block.
     622592},
};

void PrintTo(const LargeListing& listing, std::ostream* out) { *out << listing.name; }

class LargeListingTest : public ::testing::TestWithParam<LargeListing> {
 protected:
  void SetUp() override {
    std::string error;
    ASSERT_TRUE(WriteSampleDownload(folder.path(), download, &error)) << error;
    old = ReadFileBytes(folder.Path("001.part.met"));
    allocated = AllocatedBytes(data);
  }

  // The run's output, its data file and its metadata file are as expected.
  void ExpectListing(const ProcessResult& run, bool released) {
    const LargeListing& listing = GetParam();
    EXPECT_EQ(0, run.exitCode) << run.output;
    EXPECT_EQ(Lines(std::string(listing.header) + (released ? listing.released : listing.zeroFilled) +
                    (released ? listing.releasedTotals : listing.zeroFilledTotals)),
              run.output);
    EXPECT_EQ(download.fileSize, FileLength(data));
    ExpectOnlyGapsZeroed(data, download);
    EXPECT_EQ(old, ReadFileBytes(folder.Path("001.part.met")));
  }

  TempFolder folder;
  SampleDownload download = GetParam().download();
  std::string data = folder.Path("001.part");
  std::string old;
  uint64_t allocated = 0;
};

TEST_P(LargeListingTest, TheSparseRouteReleasesEveryGap) {
  // Where the file system cannot release ranges (wine), the same run takes
  // the zero fill and must still clear every gap.
  const bool releases = FileSystemReleasesRanges(folder.path());
  ProcessResult run = RunTool(folder.path(), {"001.part.met"});
  ExpectListing(run, releases);
  EXPECT_EQ(releases ? allocated - GetParam().releasedBytes : allocated, AllocatedBytes(data));
}

TEST_P(LargeListingTest, TheZeroFillWritesEveryGapWithItsPercentage) {
  ProcessResult run = RunTool(folder.path(), {"001.part.met", "--nosparse"});
  // Into a pipe: the last figure of each gap, none of the redraws.
  ExpectListing(run, /*released=*/false);
  // Zeros went into blocks the gaps already had: nothing new was allocated.
  EXPECT_EQ(allocated, AllocatedBytes(data));
}

INSTANTIATE_TEST_SUITE_P(Downloads, LargeListingTest, ::testing::ValuesIn(kLargeListings),
                         [](const ::testing::TestParamInfo<LargeListing>& listing) {
                           return std::string(listing.param.name);
                         });

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
  // A gap and the corrupted-parts list "460"; the gap past the size goes,
  // and the one across it ends at it.
  EXPECT_EQ(before.tagCount + 1, after.tagCount);
  ClientGapList expected;
  for (const SampleGap& gap : download.gaps) {
    if (gap.start < kSize) expected.emplace_back(gap.start, std::min<uint64_t>(gap.end, kSize));
  }
  expected.emplace_back(460 * P, 461 * P);
  EXPECT_EQ(expected, ClientGaps(after));
  // Every gap tag in the clients' type for a large download, 64-bit.
  size_t gapTags = 0;
  for (const DecodedTag& tag : after.tags) {
    if (tag.name.size() < 2 || (tag.name[0] != '\x09' && tag.name[0] != '\x0A')) continue;
    ++gapTags;
    EXPECT_EQ(0x0B, tag.type) << tag.name;
  }
  EXPECT_EQ(10u, gapTags);
}

}  // namespace
