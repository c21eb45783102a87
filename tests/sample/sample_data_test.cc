// The data file of a sample download: what it holds inside and outside the
// gaps, what it costs on disk, and the part hashes written for it.
#include "sample/sample_download.h"

#include <gtest/gtest.h>

#include <fstream>

#include "tests/support/child_process.h"
#include "tests/hash/reference_md4.h"
#include "tests/support/met_decoder.h"
#include "tests/support/platform_traits.h"
#include "tests/support/temp_folder.h"

namespace {

constexpr uint64_t P = kSamplePartSize;

std::string Content(const SampleDownload& download, uint64_t from, uint64_t to) {
  std::string bytes(to - from, '\0');
  SampleContent(download, from, reinterpret_cast<uint8_t*>(&bytes[0]), bytes.size());
  return bytes;
}

// The content of [from, to) with the gaps' bytes zeroed: what a data file
// whose gaps are holes holds there.
std::string WithGapsZeroed(const SampleDownload& download, uint64_t from, uint64_t to) {
  std::string bytes = Content(download, from, to);
  for (const SampleGap& gap : download.gaps) {
    const uint64_t start = std::max(gap.start, from), end = std::min(gap.end, to);
    if (start < end) std::fill(bytes.begin() + (start - from), bytes.begin() + (end - from), '\0');
  }
  return bytes;
}

// The part hashes as the metadata file holds them.
std::string StoredPartHashes(const std::string& metPath) {
  const DecodedMet met = DecodeMet(ReadFileBytes(metPath));
  EXPECT_TRUE(met.ok);
  return met.head.size() < 23 ? "" : met.head.substr(23);
}

std::string Hash(const std::string& hashes, uint32_t part) { return hashes.substr(part * 16, 16); }

bool Write(const std::string& folder, const SampleDownload& download) {
  std::string error;
  EXPECT_TRUE(WriteSampleDownload(folder, download, &error)) << error;
  return error.empty();
}

// 5,000,000,000 bytes of which 3 MB hold data: written and hashed without
// costing disk or reading the file back.
TEST(SampleDataTest, ALargeSparseDownloadHashesItsZeroPartsAsZeros) {
  TempFolder folder;
  SampleDownload download;
  download.fileSize = 5000000000;
  download.gaps = {{0, 1000000}, {4294967296, 4394967296}, {4800000000, 5000000000}};
  download.dataRegions = {{0, 3000000}, {4394967296 - 500000, 4394967296 + 500000}};
  download.partHashes = true;
  ASSERT_TRUE(Write(folder.path(), download));
  const std::string data = folder.Path("001.part");
  EXPECT_EQ(5000000000u, FileLength(data));
  if (FileSystemReleasesRanges(folder.path())) {
    EXPECT_LT(AllocatedBytes(data), 16u << 20);
  }

  const std::string hashes = StoredPartHashes(folder.Path("001.part.met"));
  ASSERT_EQ(514u * 16, hashes.size());
  const std::string zeroPart = ReferenceMd4(std::string(P, '\0'));
  EXPECT_EQ(zeroPart, Hash(hashes, 1));
  EXPECT_EQ(zeroPart, Hash(hashes, 450));
  EXPECT_EQ(zeroPart, Hash(hashes, 512));
  EXPECT_EQ(ReferenceMd4(std::string(5000000000 - 513 * P, '\0')), Hash(hashes, 513));
  // The parts with data hash as their content, gaps included: what a
  // client learns from others, not what it holds.
  EXPECT_EQ(ReferenceMd4(Content(download, 0, P)), Hash(hashes, 0));
  const uint64_t part451 = 451 * P;
  EXPECT_EQ(ReferenceMd4(Content(download, part451, part451 + P)), Hash(hashes, 451));
  const std::string held = ReadFileRange(data, part451, P);
  EXPECT_EQ(WithGapsZeroed(download, part451, part451 + P), held);
  EXPECT_NE(ReferenceMd4(held), Hash(hashes, 451));
}

TEST(SampleDataTest, PartHashesOfASparseDownloadAreThoseOfReadingItsFile) {
  TempFolder folder;
  SampleDownload download;
  download.fileSize = 4 * P + 5000;
  download.dataRegions = {{100, 5000}, {2 * P - 300, 2 * P + 300}, {4 * P, 4 * P + 5000}};
  download.gaps = {{200, 400}, {2 * P, 2 * P + 100}};
  download.gapContent = SampleGapContent::Data;
  download.partHashes = true;
  ASSERT_TRUE(Write(folder.path(), download));
  const std::string fromFile = HashSampleParts(folder.Path("001.part"), download.fileSize);
  ASSERT_EQ(5u * 16, fromFile.size());
  EXPECT_EQ(fromFile, SamplePartHashes(download));
  EXPECT_EQ(fromFile, StoredPartHashes(folder.Path("001.part.met")));
  EXPECT_EQ(ReferenceMd4(std::string(P, '\0')), Hash(fromFile, 3));

  // A size of whole parts ends in the hash of an empty part.
  download.fileSize = 2 * P;
  download.dataRegions = {};
  ASSERT_TRUE(Write(folder.path(), download));
  const std::string whole = HashSampleParts(folder.Path("001.part"), download.fileSize);
  ASSERT_EQ(3u * 16, whole.size());
  EXPECT_EQ(whole, StoredPartHashes(folder.Path("001.part.met")));
  EXPECT_EQ(ReferenceMd4(""), Hash(whole, 2));
}

TEST(SampleDataTest, GapsAreHolesUnlessTheTestAsksForTheirBytes) {
  const uint64_t kBlock = 4096;
  SampleDownload download;
  download.fileSize = 1 << 20;
  download.gaps = {{kBlock, 10 * kBlock}, {65536, 65536 + 2 * kBlock + 5}, {900000, 2000000}};
  const std::string content = Content(download, 0, download.fileSize);
  const std::string zeroed = WithGapsZeroed(download, 0, download.fileSize);
  ASSERT_NE(content, zeroed);
  uint64_t allocated[3] = {};
  bool sparse = true;
  for (SampleGapContent gapContent :
       {SampleGapContent::Holes, SampleGapContent::Data, SampleGapContent::Zeros}) {
    const int kind = static_cast<int>(gapContent);
    SCOPED_TRACE(kind);
    TempFolder folder;
    download.gapContent = gapContent;
    ASSERT_TRUE(Write(folder.path(), download));
    const std::string data = folder.Path("001.part");
    EXPECT_TRUE((gapContent == SampleGapContent::Data ? content : zeroed) == ReadFileBytes(data));
    allocated[kind] = AllocatedBytes(data);
    sparse = sparse && FileSystemReleasesRanges(folder.path());
  }
  // As holes, the 9, 2 and 36 whole blocks in the gaps take no disk.
  if (sparse) {
    EXPECT_LE(allocated[0] + 47 * kBlock, allocated[1]);
    EXPECT_EQ(allocated[1], allocated[2]);
  }
}

TEST(SampleDataTest, ACorruptPartIsDamagedWhereItWasDownloaded) {
  SampleDownload download;
  download.fileSize = 3 * P + 1000;
  download.partHashes = true;
  download.corruptParts = {1, 2};
  // Over the middle of part 1, and over all of part 2.
  download.gaps = {{P + P / 2 - 100, P + P / 2 + 100}, {2 * P, 3 * P}};
  const std::string content = Content(download, 0, download.fileSize);
  {
    TempFolder folder;
    ASSERT_TRUE(Write(folder.path(), download));
    std::string expected = WithGapsZeroed(download, 0, download.fileSize);
    expected[P + P / 2 + 100] = char(~expected[P + P / 2 + 100]);  // first byte held
    EXPECT_TRUE(expected == ReadFileBytes(folder.Path("001.part")));
    // Both hash wrong, part 2 for its holes alone.
    const std::string stored = StoredPartHashes(folder.Path("001.part.met"));
    const std::string held = HashSampleParts(folder.Path("001.part"), download.fileSize);
    ASSERT_EQ(4u * 16, held.size());
    for (uint32_t part = 0; part < 4; ++part)
      EXPECT_EQ(part == 1 || part == 2, Hash(held, part) != Hash(stored, part)) << part;
  }
  // With bytes in the gaps, a part inside one is damaged in its middle.
  TempFolder folder;
  download.gapContent = SampleGapContent::Data;
  ASSERT_TRUE(Write(folder.path(), download));
  std::string expected = content;
  expected[P + P / 2 + 100] = char(~expected[P + P / 2 + 100]);
  expected[2 * P + P / 2] = char(~expected[2 * P + P / 2]);
  EXPECT_TRUE(expected == ReadFileBytes(folder.Path("001.part")));
}

}  // namespace
