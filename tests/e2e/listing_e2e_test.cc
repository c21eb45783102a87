// The listing run seen from outside: what it prints, its exit status, and
// what it leaves in the data file.
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <vector>

#include "platform/console.h"
#include "platform/disk.h"
#include "tests/support/error_codes.h"
#include "tests/support/child_process.h"
#include "sample/sample_download.h"
#include "tests/e2e/e2e_support.h"
#include "tests/support/client_sample.h"
#include "tests/support/platform_traits.h"
#include "tests/support/small_download.h"
#include "tests/support/temp_folder.h"

namespace {

constexpr uint64_t kBlock = 4096;

// `count` bytes of a file from `offset` on.
std::string ReadRange(const std::string& path, uint64_t offset, uint64_t count) {
  std::ifstream in(path, std::ios::binary);
  in.seekg(static_cast<std::streamoff>(offset));
  std::string bytes(count, '\0');
  in.read(&bytes[0], static_cast<std::streamsize>(count));
  bytes.resize(static_cast<size_t>(in.gcount()));
  return bytes;
}

uint64_t FileLength(const std::string& path) {
  std::ifstream in(path, std::ios::binary | std::ios::ate);
  return static_cast<uint64_t>(in.tellg());
}

// The sample content of [from, to) with every gap's bytes zeroed.
std::string ExpectedBytes(const SampleDownload& download, uint64_t from, uint64_t to) {
  std::string bytes(to - from, '\0');
  SampleBytes(download.seed, from, reinterpret_cast<uint8_t*>(&bytes[0]), bytes.size());
  for (const SampleGap& gap : download.gaps) {
    uint64_t start = std::max(gap.start, from), end = std::min(gap.end, to);
    if (start < end) std::fill(bytes.begin() + (start - from), bytes.begin() + (end - from), '\0');
  }
  return bytes;
}

// Every written stretch of the data file holds the sample content outside
// the gaps and zeros inside. The rest of the file is a hole; that it stayed
// one is shown by the allocated size.
void ExpectOnlyGapsZeroed(const std::string& path, const SampleDownload& download) {
  for (const SampleGap& region : download.dataRegions) {
    SCOPED_TRACE("region at " + std::to_string(region.start));
    uint64_t end = std::min(region.end, download.fileSize);
    std::string actual = ReadRange(path, region.start, end - region.start);
    std::string expected = ExpectedBytes(download, region.start, end);
    ASSERT_EQ(expected.size(), actual.size());
    auto differ = std::mismatch(expected.begin(), expected.end(), actual.begin());
    EXPECT_TRUE(differ.first == expected.end())
        << "first difference at offset " << region.start + (differ.first - expected.begin());
  }
}

TEST(ListingE2eTest, ClientSampleFile) {
  TempFolder folder;
  ASSERT_TRUE(WriteFileBytes(folder.Path("test.part.met"), ClientSampleMet()));
  SampleDownload data;
  data.fileSize = 30000000;
  data.gaps = {{0, 30000000}};
  std::string content(data.fileSize, '\0');
  SampleBytes(data.seed, 0, reinterpret_cast<uint8_t*>(&content[0]), content.size());
  ASSERT_TRUE(WriteFileBytes(folder.Path("test.part"), content));

  const bool releases = FileSystemReleasesRanges(folder.path());
  ProcessResult run = RunTool(folder.path(), {"test.part.met"});
  EXPECT_EQ(0, run.exitCode);
  EXPECT_EQ(Lines("Hash Id: 0123456789abcdef0123456789abcdef\n"
                  "Hashed Part Count: 0\n"
                  "Tag Count : 17\n"
                  "Gap Count: 1 (File Size: 28.6 MB)\n"
                  "Gaps in 'test.part':\n"
                  "\t0 bytes ... 28.6 MB (28.6 MB)" +
                  ClearedGapOutput(releases, 30000000, 30000000) +
                  "Cleaned space in 'test.part': 28.6 MB\n"),
            run.output);
  EXPECT_EQ(std::string(30000000, '\0'), ReadFileBytes(folder.Path("test.part")));
  if (releases) {
    EXPECT_LT(AllocatedBytes(folder.Path("test.part")), 1048576u);
  }
  EXPECT_EQ(ClientSampleMet(), ReadFileBytes(folder.Path("test.part.met")));
}

// A download of more than 3 GiB, sparse so that it costs no disk: only the
// stretches around its gaps hold data, the gaps' own bytes included, so that
// clearing them shows in what the file holds and in the disk it takes.
SampleDownload LargeDownload() {
  SampleDownload download;
  download.fileSize = 878906 * kBlock;  // 3,599,998,976 bytes
  download.gapContent = SampleGapContent::Data;
  const uint64_t size = download.fileSize;
  download.gaps = {
      {0, 262144},                            // at the start
      {1073741824, 1073741824 + 300000},      // the 300,000-byte example
      {2147483648 - 131072, 2147483648 + 131072},  // across the 2 GiB line
      {3000000000, 3000000000},               // empty
      {size - 65536, size + 65536},           // over the end of the file
      {size + 200000, size + 300000},         // beyond the end of the file
  };
  for (const SampleGap& gap : download.gaps) {
    if (gap.start >= size) continue;
    download.dataRegions.push_back(
        {gap.start < 65536 ? 0 : gap.start - 65536, std::min(gap.end + 65536, size)});
  }
  return download;
}

// Bytes of whole blocks inside the gaps' part of the file: what releasing
// them gives back (a block only partly inside a gap is zeroed, not freed).
uint64_t WholeBlocksInGaps(const SampleDownload& download) {
  uint64_t total = 0;
  for (const SampleGap& gap : download.gaps) {
    uint64_t first = (gap.start + kBlock - 1) / kBlock;
    uint64_t last = std::min(gap.end, download.fileSize) / kBlock;
    if (last > first) total += (last - first) * kBlock;
  }
  return total;
}

const char kLargeListingStart[] =
    "Hash Id: %s\nHashed Part Count: 0\nTag Count : 21\nGap Count: 6 (File Size: 3.35 GB)\n"
    "Gaps in '001.part':\n";

class LargeDownloadTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string error;
    ASSERT_TRUE(WriteSampleDownload(folder.path(), download, &error)) << error;
    allocated = AllocatedBytes(data);
  }

  // The listing's first lines, with the sample's file hash.
  std::string ListingStart() {
    std::string met = ReadFileBytes(folder.Path("001.part.met"));
    std::string hash;
    for (int i = 5; i < 21; ++i) hash += Format("%.2x", static_cast<uint8_t>(met[i]));
    return Format(kLargeListingStart, hash.c_str());
  }

  TempFolder folder;
  SampleDownload download = LargeDownload();
  std::string data = folder.Path("001.part");
  uint64_t allocated = 0;
};

TEST_F(LargeDownloadTest, SparseRouteReleasesEveryGap) {
  // Where the file system cannot release ranges (wine), the same run falls
  // back to the zero fill and must still clear every gap.
  const bool releases = FileSystemReleasesRanges(folder.path());
  ProcessResult run = RunTool(folder.path(), {"001.part.met"});
  EXPECT_EQ(0, run.exitCode);
  EXPECT_EQ(Lines(ListingStart() +
                  "\t0 bytes ... 255 KB (256 KB)" + ClearedGapOutput(releases, 262144, 262144) +
                  "\t1.00 GB ... 1.00 GB (292 KB)" + ClearedGapOutput(releases, 300000, 300000) +
                  "\t1.99 GB ... 2.00 GB (256 KB)" + ClearedGapOutput(releases, 262144, 262144) +
                  "\t2.79 GB ... 2.79 GB (0 bytes)" + ClearedGapOutput(releases, 0, 0) +
                  "\t3.35 GB ... 3.35 GB (128 KB)" + ClearedGapOutput(releases, 131072, 65536) +
                  "\t3.35 GB ... 3.35 GB (97.6 KB) ... [no data]\n"
                  // 262,144 + 300,000 + 262,144 + 65,536 bytes inside the file.
                  "Cleaned space in '001.part': 868 KB\n"),
            run.output);
  EXPECT_EQ(download.fileSize, FileLength(data));
  ExpectOnlyGapsZeroed(data, download);
  EXPECT_EQ(releases ? allocated - WholeBlocksInGaps(download) : allocated, AllocatedBytes(data));
}

TEST_F(LargeDownloadTest, ZeroFillWritesEveryGapWithItsPercentage) {
  ProcessResult run = RunTool(folder.path(), {"001.part.met", "/nosparse"});
  EXPECT_EQ(0, run.exitCode);
  EXPECT_EQ(Lines(ListingStart() +
                  "\t0 bytes ... 255 KB (256 KB) ... Zeroing  50 % ... Zeroing 100 %\n"
                  "\t1.00 GB ... 1.00 GB (292 KB) ... Zeroing  43 % ... Zeroing  87 %"
                  " ... Zeroing 100 %\n"
                  "\t1.99 GB ... 2.00 GB (256 KB) ... Zeroing  50 % ... Zeroing 100 %\n"
                  "\t2.79 GB ... 2.79 GB (0 bytes)\n"
                  "\t3.35 GB ... 3.35 GB (128 KB) ... Zeroing  50 %\n"
                  "\t3.35 GB ... 3.35 GB (97.6 KB) ... [no data]\n"
                  "Cleaned space in '001.part': 868 KB\n"),
            run.output);
  EXPECT_EQ(download.fileSize, FileLength(data));
  ExpectOnlyGapsZeroed(data, download);
  // Zeros went into blocks the gaps already had: nothing new was allocated.
  EXPECT_EQ(allocated, AllocatedBytes(data));
}

TEST(ListingE2eTest, DataFileHeldOpenByAnotherProgram) {
  TempFolder folder;
  // Bytes in the gap, which a listing would clear: it must not get that far.
  ASSERT_TRUE(WriteSmallDownload(folder.path(), {{1000, 2000}}, SampleGapContent::Data));
  const std::string before = ReadFileBytes(folder.Path("001.part"));
  // To the tool this test is another program holding the file open.
  OpenResult held = SystemDisk().OpenShared(folder.Path("001.part"));
  ASSERT_EQ(0, held.error);

  ProcessResult run = RunTool(folder.path(), {"001.part.met"});
  EXPECT_EQ(1, run.exitCode);
  const std::string expectedEnd = Lines("Gaps in '001.part':\nCan't open part file '001.part' (Error " +
                                        std::to_string(kErrorBusy) + ")\n");
  ASSERT_GE(run.output.size(), expectedEnd.size());
  EXPECT_EQ(expectedEnd, run.output.substr(run.output.size() - expectedEnd.size()));
  EXPECT_EQ(before, ReadFileBytes(folder.Path("001.part")));
}

TEST(ListingE2eTest, FailuresGiveExitStatusOne) {
  TempFolder folder;
  // Bytes in both gaps, so that the data file shows which gap was cleared.
  ASSERT_TRUE(
      WriteSmallDownload(folder.path(), {{1000, 2000}, {5000, 6000}}, SampleGapContent::Data));
  std::string met = ReadFileBytes(folder.Path("001.part.met"));
  const std::string content = ReadFileBytes(folder.Path("001.part"));

  std::string otherVersion = met;
  otherVersion[0] = '\xE3';
  ASSERT_TRUE(WriteFileBytes(folder.Path("001.part.met"), otherVersion));
  ProcessResult invalid = RunTool(folder.path(), {"001.part.met"});
  EXPECT_EQ(1, invalid.exitCode);
  EXPECT_EQ(Lines("Error: .met file version 0xe3 invalid!\n"), invalid.output);
  EXPECT_EQ(content, ReadFileBytes(folder.Path("001.part")));

  // Cut inside the second gap's end tag: the first gap is still cleared.
  ASSERT_TRUE(WriteFileBytes(folder.Path("001.part.met"), met.substr(0, met.size() - 1)));
  const bool releases = FileSystemReleasesRanges(folder.path());
  ProcessResult damaged = RunTool(folder.path(), {"001.part.met"});
  EXPECT_EQ(1, damaged.exitCode);
  std::string truncated =
      "Error: .met file is truncated at offset " + std::to_string(met.size() - 1) + "!\n";
  EXPECT_NE(std::string::npos,
            damaged.output.find(Lines("Gap Count: 2 (File Size: 97.6 KB)\n" + truncated +
                                      "Gaps in '001.part':\n"
                                      "\t1000 bytes ... 1.95 KB (1000 bytes)" +
                                      ClearedGapOutput(releases, 1000, 1000) +
                                      "\t4.88 KB ... 0 bytes (invalid gap, skipped)\n"
                                      "Cleaned space in '001.part': 1000 bytes\n")))
      << damaged.output;
  std::string expected = content;
  std::fill(expected.begin() + 1000, expected.begin() + 2000, '\0');
  EXPECT_EQ(expected, ReadFileBytes(folder.Path("001.part")));
}

}  // namespace
