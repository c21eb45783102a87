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

// A download of 3 1/12 parts (four part hashes) with the given damage and gaps.
struct Checked {
  TempFolder folder;
  SampleDownload download;
  StringConsole console;
  RewriteState state;
  bool result = false;

  Checked(std::vector<uint32_t> corrupt, GapTable gaps, Disk& disk = SystemDisk()) {
    download.fileSize = 30000000;
    download.partHashes = true;
    download.corruptParts = corrupt;
    std::string error;
    EXPECT_TRUE(WriteSampleDownload(folder.path(), download, &error)) << error;
    std::string met = ReadFileBytes(folder.Path("001.part.met"));
    MetImage image = MakeMetImage(met.data(), met.size());
    std::optional<MetHeader> header = ReadMetHeader(image, console);
    EXPECT_TRUE(header);
    state.header = *header;
    state.gaps = gaps;
    HashRoutines routines = BindHashRoutines();
    result = CheckParts(image, state, folder.Path("001.part"), routines, disk, console);
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
  ASSERT_EQ(1u, check.state.gaps.size());
  EXPECT_EQ(P, check.state.gaps[0].start);
  EXPECT_EQ(3 * P, check.state.gaps[0].end);
}

TEST(PartCheckTest, CoveredPartsAreLeftAlone) {
  // Part 1 lies inside the gap, which ends exactly where the part does.
  Checked check({1}, {{P - 10, 2 * P}});
  ASSERT_TRUE(check.result);
  EXPECT_EQ("", check.Repairs());
  EXPECT_EQ(1u, check.state.gaps.size());
}

TEST(PartCheckTest, OnlyTheFirstTouchingGapGrows) {
  Checked check({1}, {{2 * P, 2 * P + 5}, {100, P}});
  ASSERT_TRUE(check.result);
  EXPECT_EQ("Part 1 is corrupt, Gap 0 was expanded to 947000 .. 128e005\n", check.Repairs());
  EXPECT_EQ(P, check.state.gaps[0].start);
  EXPECT_EQ(P, check.state.gaps[1].end);  // touching now, never merged
}

TEST(PartCheckTest, AGapThatIsNoRangeNeverGrows) {
  // End before start, touching part 1 at either side: growing such a gap
  // would leave the corrupt part outside every gap.
  Checked check({1}, {{5 * P, P}, {2 * P, 7}});
  ASSERT_TRUE(check.result);
  EXPECT_EQ("Part 1 is corrupt, New Gap 947000 .. 128e000 was added\n", check.Repairs());
  ASSERT_EQ(3u, check.state.gaps.size());
  EXPECT_EQ(5 * P, check.state.gaps[0].start);
  EXPECT_EQ(P, check.state.gaps[0].end);
  EXPECT_EQ(2 * P, check.state.gaps[1].start);
  EXPECT_EQ(7u, check.state.gaps[1].end);
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
  EXPECT_EQ(4u, check.state.gaps.size());
}

TEST(PartCheckTest, TheShortLastPartGetsAWholePartGap) {
  Checked check({3}, {});
  ASSERT_TRUE(check.result);
  // The gap ends a whole part after the last part's start, past the file's end.
  EXPECT_EQ("Part 3 is corrupt, New Gap 1bd5000 .. 251c000 was added\n", check.Repairs());
}

TEST(PartCheckTest, NothingIsCheckedWithoutTheDataFile) {
  FaultyDisk missing;
  missing.FailCall(DiskOp::OpenForReading, 1, kErrorNotFound);
  Checked check({}, {{1, 2}}, missing);
  EXPECT_FALSE(check.result);
  EXPECT_EQ("Error: Can't open partfile " + check.folder.Path("001.part") + "\n",
            check.console.output);
  EXPECT_EQ(1u, check.state.gaps.size());

  FaultyDisk failing;
  failing.FailCall(DiskOp::Read, 200, kErrorIo);
  Checked broken({}, {}, failing);
  EXPECT_FALSE(broken.result);
  EXPECT_NE(std::string::npos,
            broken.console.output.find("Error: reading '" + broken.folder.Path("001.part") +
                                       "' failed (Error " + std::to_string(kErrorIo) + ")\n"));
  EXPECT_TRUE(broken.state.gaps.empty());
}

}  // namespace
