#include "gaps/gap_scan.h"

#include <gtest/gtest.h>

#include <vector>

#include "app/run_flow.h"
#include "gaps/part_file_path.h"
#include "tests/support/error_codes.h"
#include "sample/sample_download.h"
#include "tests/support/string_console.h"
#include "tests/support/temp_folder.h"

namespace {

std::string U16(uint32_t v) { return {char(v), char(v >> 8)}; }
std::string U32(uint32_t v) { return {char(v), char(v >> 8), char(v >> 16), char(v >> 24)}; }

const char kHash[] = "\x01\x23\x45\x67\x89\xab\xcd\xef\x00\x11\x22\x33\x44\x55\x66\x77";
const char kHashText[] = "0123456789abcdef0011223344556677";

std::string EncodeTags(const std::vector<SampleTag>& tags) {
  std::string bytes;
  for (const SampleTag& tag : tags) bytes += EncodeSampleTag(tag);
  return bytes;
}

// A FullHeader file with `partCount` (zero) part hashes and these tags.
std::string FullMet(const std::vector<SampleTag>& tags, uint16_t partCount = 0) {
  return "\xE0" + U32(0x6B163E0C) + std::string(kHash, 16) + U16(partCount) +
         std::string(16u * partCount, '\0') + U32(uint32_t(tags.size())) + EncodeTags(tags);
}

SampleTag Start(uint32_t value) { return SampleNumberTag("\x09", value); }
SampleTag End(uint32_t value) { return SampleNumberTag("\x0A", value); }
SampleTag Text(uint8_t type, const std::string& name, const std::string& text) {
  return SampleTag{type, name, U16(uint32_t(text.size())) + text};
}

ListedGap Gap(uint64_t start, uint64_t end, bool started = true, bool ended = true) {
  ListedGap gap;
  gap.start = start;
  gap.end = end;
  gap.started = started;
  gap.ended = ended;
  return gap;
}

void ExpectGaps(const std::vector<ListedGap>& expected, const ListedGaps& actual) {
  ASSERT_EQ(expected.size(), actual.size());
  for (size_t i = 0; i < expected.size(); ++i) {
    SCOPED_TRACE("entry " + std::to_string(i));
    EXPECT_EQ(expected[i].start, actual[i].start);
    EXPECT_EQ(expected[i].end, actual[i].end);
    EXPECT_EQ(expected[i].started, actual[i].started);
    EXPECT_EQ(expected[i].ended, actual[i].ended);
    EXPECT_EQ(expected[i].endWasZero, actual[i].endWasZero);
  }
}

// A download folder holding X.part.met (in memory) and its data file X.part.
class GapScanTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(WriteFileBytes(partPath, "data")); }

  std::optional<GapScan> Scan(const std::string& met) {
    MetImage image = MakeMetImage(met.data(), met.size());
    return ScanGaps(image, metPath, DefaultPartFilePath(metPath), SystemDisk(), console);
  }

  // The output every scan of a FullHeader file ends with.
  std::string Tail(size_t tags, size_t gaps, const std::string& size, const std::string& path) {
    return "Tag Count : " + std::to_string(tags) + "\nGap Count: " + std::to_string(gaps) +
           " (File Size: " + size + ")\nGaps in '" + path + "':\n";
  }

  TempFolder folder;
  std::string metPath = folder.Path("X.part.met");
  std::string partPath = folder.Path("X.part");
  StringConsole console;
};

TEST_F(GapScanTest, HeaderLinesAndCounts) {
  std::optional<GapScan> scan =
      Scan(FullMet({SampleNumberTag("\x02", 30000000), Start(100), End(200)}, 2));
  ASSERT_TRUE(scan);
  EXPECT_EQ(std::string("Hash Id: ") + kHashText + "\nHashed Part Count: 2\n" +
                Tail(3, 1, "28.6 MB", partPath),
            console.output);
  EXPECT_TRUE(scan->partFile.IsOpen());
  EXPECT_EQ(partPath, scan->partPath);
  EXPECT_TRUE(scan->tagsComplete);
  scan.reset();  // the data file is held with no other user, this test included

  // A compact header has no part count, so no such line.
  StringConsole compact;
  std::string met = "\xE1\x01" + U32(7) + std::string(kHash, 16) + U32(0);
  MetImage image = MakeMetImage(met.data(), met.size());
  ASSERT_TRUE(ScanGaps(image, metPath, partPath, SystemDisk(), compact));
  EXPECT_EQ(std::string("Hash Id: ") + kHashText + "\n" + Tail(0, 0, "0 bytes", partPath),
            compact.output);
}

TEST_F(GapScanTest, FileSizeIsTheLastNumberTag) {
  // A small integer is widened; a text is no size.
  ASSERT_TRUE(Scan(FullMet({SampleNumberTag("\x02", 1024), SampleTag{0x08, "\x02", U16(1536)},
                            Text(0x02, "\x02", "12345")})));
  EXPECT_NE(std::string::npos, console.output.find("Gap Count: 0 (File Size: 1.50 KB)\n"));
}

TEST_F(GapScanTest, PairsGapTagsByOrder) {
  struct Case {
    const char* what;
    std::vector<SampleTag> tags;
    std::vector<ListedGap> gaps;
  };
  ListedGap wrapped = Gap(300, 4294967295u);
  wrapped.endWasZero = true;
  const std::vector<Case> cases = {
      {"two gaps", {Start(100), End(200), Start(500), End(600)}, {Gap(100, 199), Gap(500, 599)}},
      {"second start overwrites, end without start",
       {Start(100), Start(150), End(200), End(600)},
       {Gap(150, 199), Gap(0, 599, /*started=*/false)}},
      {"start without end", {Start(100), End(200), Start(500)},
       {Gap(100, 199), Gap(500, 0, true, /*ended=*/false)}},
      {"end value 0 wraps", {Start(300), End(0)}, {wrapped}},
      {"more ends than starts", {Start(1), End(2), End(3), End(4)}, {Gap(1, 1)}},
      {"start after the last entry", {End(5), Start(7)}, {Gap(0, 4, false)}},
      {"id form, the clients' names, small integers; no gap names",
       {SampleTag{0x83, "\x09", U32(10)}, SampleTag{0x83, "\x0A", U32(20)},
        SampleNumberTag("\x09" "0", 30), SampleNumberTag("\x0A" "0", 40),
        SampleTag{0x09, "\x09", "\x32"}, SampleTag{0x08, "\x0A", U16(60)},
        SampleNumberTag("\x09" "A", 1), SampleNumberTag("\x0A" "1x", 2)},
       {Gap(10, 19), Gap(30, 39), Gap(50, 59)}},
      // A text or a float in a gap tag must not become offset 0, or any other.
      {"bounds that are no numbers",
       {Text(0x02, "\x09", "100"), End(200), Start(300), SampleTag{0x04, "\x0A", U32(0x3FC00000)}},
       {Gap(0, 199, /*started=*/false), Gap(300, 0, true, /*ended=*/false)}},
  };
  for (const Case& test : cases) {
    SCOPED_TRACE(test.what);
    console.output.clear();
    std::optional<GapScan> scan = Scan(FullMet(test.tags));
    ASSERT_TRUE(scan);
    ExpectGaps(test.gaps, scan->gaps);
    EXPECT_NE(std::string::npos,
              console.output.find("Gap Count: " + std::to_string(test.gaps.size()) + " "));
  }
}

TEST_F(GapScanTest, NameTagChoosesTheDataFileBesideTheMetadataFile) {
  const std::string other = folder.Path("data.part");
  ASSERT_TRUE(WriteFileBytes(other, "other"));
  struct Case {
    const char* what;
    std::vector<SampleTag> tags;
    std::string path;
  };
  const std::vector<Case> cases = {
      {"text in id form, the last one wins",
       {Text(0x02, "\x12", "none.part"), Text(0x82, "\x12", "data.part")}, other},
      {"short string", {SampleTag{0x19, "\x12", "data.part"}}, other},
      {"number in id form", {SampleTag{0x83, "\x12", U32(5)}}, partPath},
      {"a name that leaves the folder", {Text(0x02, "\x12", "../data.part")}, partPath},
  };
  for (const Case& test : cases) {
    SCOPED_TRACE(test.what);
    console.output.clear();
    std::optional<GapScan> scan = Scan(FullMet(test.tags));
    ASSERT_TRUE(scan);
    EXPECT_EQ(test.path, scan->partPath);
    EXPECT_NE(std::string::npos, console.output.find("Gaps in '" + test.path + "':\n"));
  }
  EXPECT_NE(std::string::npos,
            console.output.find("Error: part file name '../data.part' is not a plain file name, "
                                "it is ignored.\n"));
}

TEST_F(GapScanTest, DamagedStreamKeepsTheGapsBeforeTheDamage) {
  // Type 0x0B has no known size: every tag behind it comes from a wrong place.
  std::optional<GapScan> scan = Scan(FullMet({Start(100), End(200), SampleTag{0x0B, "x", U32(0)},
                                              Start(300), End(400)}));
  ASSERT_TRUE(scan);
  EXPECT_FALSE(scan->tagsComplete);
  ExpectGaps({Gap(100, 199)}, scan->gaps);
  // Each pass meets the damage and says so.
  EXPECT_EQ(std::string("Hash Id: ") + kHashText + "\nHashed Part Count: 0\nTag Count : 5\n" +
                "CreateTag: Unkown Tag Type b\nGap Count: 1 (File Size: 0 bytes)\n"
                "CreateTag: Unkown Tag Type b\nGaps in '" + partPath + "':\n",
            console.output);
}

TEST_F(GapScanTest, DataFileThatCannotBeOpened) {
  ASSERT_EQ(0, SystemDisk().Remove(partPath));
  EXPECT_FALSE(Scan(FullMet({Start(1), End(2)})));
  EXPECT_NE(std::string::npos,
            console.output.find("Gaps in '" + partPath + "':\nCan't open part file '" + partPath +
                                "' (Error " + std::to_string(kErrorNotFound) + ")\n"));
}

}  // namespace
