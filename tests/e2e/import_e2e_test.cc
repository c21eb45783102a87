// --import seen from outside: the parts a download lacks taken from other
// copies of it, each only where it hashes right, and only into its gaps.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "sample/file_time.h"
#include "sample/sample_download.h"
#include "tests/e2e/e2e_support.h"
#include "tests/support/met_decoder.h"
#include "tests/support/temp_folder.h"

namespace {

constexpr uint64_t P = kSamplePartSize;
constexpr uint64_t kSize = 4 * P + 1000;

// The download: part 1 missing whole, a piece of part 2, the short part 4;
// parts 0 and 3 complete; part 1 on the corrupted-parts list.
SampleDownload Download() {
  SampleDownload download;
  download.fileSize = kSize;
  download.partHashes = true;
  download.gaps = {{P, 2 * P}, {2 * P + 500, 2 * P + 9000}, {4 * P, kSize}};
  download.extraTags = {SampleTextTag("\x24", "1")};
  return download;
}

// The download's own bytes [start, end).
std::string Content(uint64_t start, uint64_t end) {
  std::string bytes(end - start, '\0');
  SampleContent(Download(), start, reinterpret_cast<uint8_t*>(&bytes[0]), bytes.size());
  return bytes;
}

std::string Damaged(const std::string& whole, uint64_t at) {
  std::string bytes = whole;
  bytes.at(at) ^= '\xFF';
  return bytes;
}

TEST(ImportE2eTest, OnlyPartsThatHashRightAreTakenAndOnlyIntoGaps) {
  const std::string whole = Content(0, kSize);
  std::string partial = whole;  // another download: parts 2 and 4 only
  std::fill(partial.begin(), partial.begin() + 2 * P, '\0');
  std::fill(partial.begin() + 3 * P, partial.begin() + 4 * P, '\0');
  std::string halfPart1 = whole;  // part 1 only in part
  std::fill(halfPart1.begin() + P + P / 2, halfPart1.end(), '\0');
  const struct {
    const char* what;
    std::string source;
    bool sameOffsets;
    std::vector<uint32_t> imported;
    ClientGapList gapsAfter;
  } rows[] = {
      {"a damaged complete copy: its sound parts; part 3, complete here, never written",
       Damaged(Damaged(whole, 2 * P + 600), 3 * P + 5), true, {1, 4}, {{2 * P + 500, 2 * P + 9000}}},
      {"another partial download: the union", partial, true, {2, 4}, {{P, 2 * P}}},
      {"a copy cut short: what it holds", whole.substr(0, 3 * P), false, {1, 2}, {{4 * P, kSize}}},
      {"a bundle of exported parts, at other offsets, the short last one last",
       Content(2 * P, 3 * P) + Content(P, 2 * P) + Content(4 * P, kSize), false, {1, 2, 4}, {}},
      {"a part the copy holds only in part", halfPart1, true, {}, {}},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.what);
    TempFolder folder;
    std::string error;
    ASSERT_TRUE(WriteSampleDownload(folder.path(), Download(), &error)) << error;
    ASSERT_TRUE(WriteFileBytes(folder.Path("copy.bin"), row.source));
    const std::string before = ReadFileBytes(folder.Path("001.part"));
    ProcessResult run = RunTool(folder.path(), {"--import", "copy.bin", "001.part.met"});
    EXPECT_EQ(0, run.exitCode) << run.output;
    EXPECT_TRUE(Contains(run.output, row.sameOffsets ? "read at the download's own offsets"
                                                     : "read as parts at every 9,728,000 bytes"))
        << run.output;
    std::string expected = before;
    for (uint32_t part : row.imported) {
      EXPECT_TRUE(Contains(run.output, Lines("Part " + std::to_string(part) + ": imported from 'copy.bin'\n")))
          << run.output;
      const uint64_t start = part * P, end = std::min(start + P, kSize);
      expected.resize(std::max<size_t>(expected.size(), end));
      expected.replace(start, end - start, Content(start, end));
    }
    // Every byte outside the imported parts' gaps is as it was.
    EXPECT_TRUE(expected == ReadFileBytes(folder.Path("001.part")));
    if (row.imported.empty()) {
      EXPECT_TRUE(Contains(run.output, Lines("Parts no source had: 1,2,4\n"))) << run.output;
      continue;
    }
    const std::string met = ReadFileBytes(folder.Path("001.part.met"));
    DecodedMet decoded = DecodeMet(met);
    EXPECT_EQ(row.gapsAfter, ClientGaps(decoded)) << run.output;
    std::string listed;
    for (const DecodedTag& tag : decoded.tags)
      if (tag.name == "\x24") listed = tag.text;
    EXPECT_EQ(std::find(row.imported.begin(), row.imported.end(), 1u) != row.imported.end() ? "" : "1", listed);
    // The header follows the data file's new time: the client need not hash it again.
    const uint32_t stamp = uint8_t(met[1]) | uint8_t(met[2]) << 8 | uint8_t(met[3]) << 16 |
                           uint32_t(uint8_t(met[4])) << 24;
    EXPECT_EQ(*ModificationTime(folder.Path("001.part")), int64_t(stamp));
  }
}

TEST(ImportE2eTest, WhatIsNoCopyOfTheDownloadIsPassedOver) {
  TempFolder folder;
  std::string error;
  ASSERT_TRUE(WriteSampleDownload(folder.path(), Download(), &error)) << error;
  const std::string met = ReadFileBytes(folder.Path("001.part.met"));
  ASSERT_TRUE(WriteFileBytes(folder.Path("001.part.met.bak"), met));
  ASSERT_TRUE(WriteFileBytes(folder.Path("other.met"), met));
  ASSERT_TRUE(MakeFolder(folder.Path("sub")));
  const std::string data = ReadFileBytes(folder.Path("001.part"));
  ProcessResult run = RunTool(folder.path(), {"--import", "001.part", "001.part.met.bak", "other.met", "sub",
                                              "001.part.met"});
  EXPECT_EQ(0, run.exitCode) << run.output;
  for (const char* said : {"Error: source '001.part' is the download's own data file",
                                  "Error: source '001.part.met.bak' is a metadata file",
                                  "Error: source 'other.met' is a metadata file",
                                  "Error: source 'sub' is a folder"})
    EXPECT_TRUE(Contains(run.output, said)) << said << "\n" << run.output;
  EXPECT_EQ(data, ReadFileBytes(folder.Path("001.part")));
  EXPECT_EQ(met, ReadFileBytes(folder.Path("001.part.met")));

  // Without part hashes nothing can be verified: refused.
  SampleDownload unhashed = Download();
  unhashed.partHashes = false;
  ASSERT_TRUE(WriteSampleDownload(folder.path(), unhashed, &error)) << error;
  ASSERT_TRUE(WriteFileBytes(folder.Path("copy.bin"), Content(0, kSize)));
  ProcessResult refused = RunTool(folder.path(), {"--import", "copy.bin", "001.part.met"});
  EXPECT_EQ(1, refused.exitCode);
  EXPECT_TRUE(Contains(refused.output, "no part of another copy can be verified: nothing is imported."))
      << refused.output;
}

}  // namespace
