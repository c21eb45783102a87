#include "rewrite/part_check.h"

#include <gtest/gtest.h>

#include "hash/hash_routines.h"
#include "tests/support/error_codes.h"
#include "sample/sample_download.h"
#include "tests/support/faulty_disk.h"
#include "tests/support/string_console.h"
#include "tests/support/temp_folder.h"

namespace {

constexpr uint64_t P = kPartSize;

// The gap [start, end) as a file stores it.
MetGap Gap(uint64_t start, uint64_t end) {
  MetGap gap;
  gap.start = start;
  gap.end = end;
  gap.startStored = gap.endStored = true;
  gap.fault = end < start ? GapFault::EndBeforeStart : GapFault::None;
  return gap;
}

// A download of 3 1/12 parts (four part hashes) with the given damage and
// gaps, hashed and repaired.
struct Checked {
  TempFolder folder;
  SampleDownload download;
  StringConsole console;
  GapTable gaps;
  bool result = false;

  Checked(std::vector<uint32_t> corrupt, std::vector<std::pair<uint64_t, uint64_t>> bounds,
          Disk& disk = SystemDisk()) {
    download.fileSize = 30000000;
    download.partHashes = true;
    download.corruptParts = corrupt;
    for (const auto& bound : bounds) gaps.push_back(Gap(bound.first, bound.second));
    std::string error;
    EXPECT_TRUE(WriteSampleDownload(folder.path(), download, &error)) << error;
    std::string met = ReadFileBytes(folder.Path("001.part.met"));
    MetImage image = MakeMetImage(met.data(), met.size());
    HeaderRead header = ReadMetHeader(image);
    EXPECT_TRUE(header.header);
    HashRoutines routines = BindHashRoutines();
    OpenResult data = disk.OpenForReading(folder.Path("001.part"));
    EXPECT_TRUE(data.ok());
    std::optional<std::vector<PartDigest>> digests = HashParts(
        image, *header.header, gaps, data.file, folder.Path("001.part"), routines, disk, console);
    result = digests.has_value();
    if (digests) RepairGaps(image, *header.header, *digests, gaps, console);
  }

  // The output after the hash lines.
  std::string Repairs() const {
    size_t last = console.output.rfind("Calculated Hash 003: ");
    return console.output.substr(console.output.find('\n', last) + 1);
  }
};

TEST(PartCheckTest, EveryPartIsListedAgainstItsStoredHash) {
  Checked check({1}, {});
  ASSERT_TRUE(check.result);
  const std::string& out = check.console.output;
  ASSERT_EQ(0u, out.find("Calculating hashs ...\nCalculated Hash 000: "));
  EXPECT_NE(std::string::npos, out.find(" [x] \nCalculated Hash 001: "));
  EXPECT_NE(std::string::npos, out.find(" [ ]\nCalculated Hash 002: "));
  EXPECT_EQ(4u + 1u + 1u, std::count(out.begin(), out.end(), '\n'));
}

TEST(PartCheckTest, NeighbouringCorruptPartsBecomeOneGap) {
  Checked check({1, 2}, {});
  ASSERT_TRUE(check.result);
  EXPECT_EQ("Part 1 is corrupt, New Gap 947000 .. 128e000 was added\n"
            "Part 2 is corrupt, Gap 0 was expanded to 947000 .. 1bd5000\n",
            check.Repairs());
  ASSERT_EQ(1u, check.gaps.size());
  EXPECT_EQ(P, check.gaps[0].start);
  EXPECT_EQ(3 * P, check.gaps[0].end);
}

TEST(PartCheckTest, CoveredPartsAreLeftAlone) {
  // Part 1 lies inside the gap, which ends exactly where the part does.
  Checked check({1}, {{P - 10, 2 * P}});
  ASSERT_TRUE(check.result);
  EXPECT_EQ("", check.Repairs());
  EXPECT_EQ(1u, check.gaps.size());
}

TEST(PartCheckTest, OnlyTheFirstTouchingGapGrows) {
  Checked check({1}, {{2 * P, 2 * P + 5}, {100, P}});
  ASSERT_TRUE(check.result);
  EXPECT_EQ("Part 1 is corrupt, Gap 0 was expanded to 947000 .. 128e005\n", check.Repairs());
  EXPECT_EQ(P, check.gaps[0].start);
  EXPECT_EQ(P, check.gaps[1].end);  // touching now, never merged
}

TEST(PartCheckTest, AGapThatIsNoRangeNeverGrows) {
  // End before start, touching part 1 at either side: growing such a gap
  // would leave the corrupt part outside every gap.
  Checked check({1}, {{5 * P, P}, {2 * P, 7}});
  ASSERT_TRUE(check.result);
  EXPECT_EQ("Part 1 is corrupt, New Gap 947000 .. 128e000 was added\n", check.Repairs());
  ASSERT_EQ(3u, check.gaps.size());
  EXPECT_EQ(5 * P, check.gaps[0].start);
  EXPECT_EQ(P, check.gaps[0].end);
  EXPECT_EQ(2 * P, check.gaps[1].start);
  EXPECT_EQ(7u, check.gaps[1].end);
}

TEST(PartCheckTest, APartAGapHoldsAPieceOfIsNeitherJudgedNorRepaired) {
  // Part 2 holds a gap and part 1 ends inside one: neither is complete, so
  // their digests say nothing and their downloaded bytes stay downloaded.
  // Part 0 only touches a gap, and part 3 is complete and corrupt.
  Checked check({1, 2, 3}, {{2 * P + 100, 2 * P + 200}, {P + 5, P + 6}, {P, P}});
  ASSERT_TRUE(check.result);
  const std::string& out = check.console.output;
  EXPECT_NE(std::string::npos, out.find(" [x] \nCalculated Hash 001: "));
  EXPECT_NE(std::string::npos, out.find(" [-] incomplete, not checked\nCalculated Hash 002: "));
  EXPECT_NE(std::string::npos, out.find(" [-] incomplete, not checked\nCalculated Hash 003: "));
  EXPECT_EQ("Part 3 is corrupt, New Gap 1bd5000 .. 251c000 was added\n", check.Repairs());
  EXPECT_EQ(4u, check.gaps.size());
}

TEST(PartCheckTest, TheShortLastPartGetsAWholePartGap) {
  Checked check({3}, {});
  ASSERT_TRUE(check.result);
  // The gap ends a whole part after the last part's start, past the file's end.
  EXPECT_EQ("Part 3 is corrupt, New Gap 1bd5000 .. 251c000 was added\n", check.Repairs());
}

TEST(PartCheckTest, NothingIsCheckedWhenTheDataFileCannotBeRead) {
  FaultyDisk failing;
  failing.FailCall(DiskOp::Read, 200, kErrorIo);
  Checked broken({}, {}, failing);
  EXPECT_FALSE(broken.result);
  EXPECT_NE(std::string::npos,
            broken.console.output.find("Error: reading '" + broken.folder.Path("001.part") +
                                       "' failed (Error " + std::to_string(kErrorIo) + ")\n"));
  EXPECT_TRUE(broken.gaps.empty());
}

}  // namespace
