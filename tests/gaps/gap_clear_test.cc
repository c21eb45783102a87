#include "gaps/gap_clear.h"

#include <gtest/gtest.h>

#include <utility>
#include <vector>

#include "tests/support/error_codes.h"
#include "tests/support/child_process.h"
#include "sample/sample_download.h"
#include "tests/support/faulty_disk.h"
#include "tests/support/platform_traits.h"
#include "tests/support/string_console.h"
#include "tests/support/temp_folder.h"

namespace {

constexpr uint32_t kSeed = 7;

// The gap [start, end) as a file with both tags stores it.
MetGap Gap(uint64_t start, uint64_t end) {
  MetGap gap;
  gap.start = start;
  gap.end = end;
  gap.startStored = gap.endStored = true;
  gap.fault = end == 0 ? GapFault::EndIsZero
              : end < start ? GapFault::EndBeforeStart : GapFault::None;
  return gap;
}

// The totals of a clearing that wrote zeros over `size` of data and gave
// nothing back.
std::string ZeroFilled(const std::string& size) {
  return "Cleaned space in 'X.part': 0 bytes\nWritten over with zeros in 'X.part': " + size +
         ", whose space the file system keeps\n";
}

// A data file of sample content, cleared through a FaultyDisk.
class ClearGapsTest : public ::testing::Test {
 protected:
  void WriteDataFile(uint64_t size) {
    content.resize(size);
    SampleBytes(kSeed, 0, reinterpret_cast<uint8_t*>(&content[0]), size);
    ASSERT_TRUE(WriteFileBytes(path, content));
  }

  bool Clear(const GapTable& gaps, bool nosparse) { return Clear(gaps, nosparse, disk); }

  bool Clear(const GapTable& gaps, bool nosparse, FaultyDisk& through) {
    OpenResult opened = through.OpenExclusive(path);
    EXPECT_EQ(0, opened.error);
    ClearPlan plan;
    plan.partPath = "X.part";
    plan.nosparse = nosparse;
    return ClearGaps(opened.file, gaps, plan, through, console);
  }

  // The file holds the original content with exactly these [start, end)
  // ranges zeroed, and has kept its size.
  void ExpectZeroedOnly(const std::vector<std::pair<uint64_t, uint64_t>>& ranges) {
    std::string expected = content;
    for (const auto& range : ranges)
      std::fill(expected.begin() + range.first, expected.begin() + range.second, '\0');
    std::string actual = ReadFileBytes(path);
    ASSERT_EQ(expected.size(), actual.size());
    auto differ = std::mismatch(expected.begin(), expected.end(), actual.begin());
    EXPECT_TRUE(differ.first == expected.end())
        << "first difference at offset " << (differ.first - expected.begin());
  }

  TempFolder folder;
  std::string path = folder.Path("X.part");
  std::string content;
  FaultyDisk disk;
  StringConsole console;
};

TEST_F(ClearGapsTest, SparseRouteReleasesTheGapsInsideTheFile) {
  if (!FileSystemReleasesRanges(folder.path()))
    GTEST_SKIP() << "this file system cannot release ranges (wine); the fallback is tested below";
  WriteDataFile(1048576);
  uint64_t allocated = AllocatedBytes(path);
  EXPECT_TRUE(Clear({Gap(100, 200), Gap(65536, 196608), Gap(300, 300), Gap(1048000, 1049000),
                     Gap(2000000, 2000100)},
                    /*nosparse=*/false));
  EXPECT_EQ("\t100 bytes ... 199 bytes (100 bytes) ... Zeroing 100 %\n\n"
            "\t64.0 KB ... 191 KB (128 KB) ... Zeroing 100 %\n\n"
            "\t300 bytes ... 299 bytes (0 bytes) ... Zeroing 100 %\n\n"
            "\t0.99 MB ... 1.00 MB (1000 bytes) ... Zeroing 100 %\n\n"
            "\t1.90 MB ... 1.90 MB (100 bytes) ... [no data]\n"
            // 100 + 131,072 + 576 bytes inside the file.
            "Cleaned space in 'X.part': 128 KB\n"
            // The data at the gaps' ends inside blocks the file keeps.
            "Written over with zeros in 'X.part': 676 bytes, whose space the file system keeps\n",
            console.output);
  ExpectZeroedOnly({{100, 200}, {65536, 196608}, {1048000, 1048576}});
  // The empty gap and the one beyond the end ask nothing of the file system.
  EXPECT_EQ(3, disk.Calls(DiskOp::PunchHole));
  EXPECT_EQ(0, disk.Calls(DiskOp::Write));
  // The one whole range of blocks inside a gap went back to the file system.
  uint64_t after = AllocatedBytes(path);
  ASSERT_LE(after, allocated);
  EXPECT_GE(allocated - after, 131072u);
}

TEST_F(ClearGapsTest, RefusedReleaseFallsBackToZeroFillForTheRest) {
  WriteDataFile(300000);
  disk.FailCall(DiskOp::PunchHole, 1, kErrorNotSupported);
  EXPECT_TRUE(Clear({Gap(1000, 2000), Gap(5000, 5100)}, /*nosparse=*/false));
  // No "100 %" for the refused request: the zero fill's own percentage.
  EXPECT_EQ("\t1000 bytes ... 1.95 KB (1000 bytes) ... Zeroing 100 %\n"
            "\t4.88 KB ... 4.97 KB (100 bytes) ... Zeroing 100 %\n"
            + ZeroFilled("1.07 KB"),
            console.output);
  EXPECT_EQ(1, disk.Calls(DiskOp::PunchHole));
  EXPECT_EQ(2, disk.Calls(DiskOp::Write));
  ExpectZeroedOnly({{1000, 2000}, {5000, 5100}});
}

TEST_F(ClearGapsTest, RefusedSparseMarkAndNosparseTakeTheZeroFill) {
  WriteDataFile(10000);
  disk.FailCall(DiskOp::SetSparse, 1, kErrorNotSupported);
  EXPECT_TRUE(Clear({Gap(10, 20)}, /*nosparse=*/false));
  EXPECT_EQ(0, disk.Calls(DiskOp::PunchHole));
  ExpectZeroedOnly({{10, 20}});

  // /nosparse still asks for the mark; it only picks the route.
  FaultyDisk plain;
  console.output.clear();
  EXPECT_TRUE(Clear({Gap(30, 40)}, /*nosparse=*/true, plain));
  EXPECT_EQ(1, plain.Calls(DiskOp::SetSparse));
  EXPECT_EQ(0, plain.Calls(DiskOp::PunchHole));
  EXPECT_EQ("\t30 bytes ... 39 bytes (10 bytes) ... Zeroing 100 %\n"
            + ZeroFilled("10 bytes"),
            console.output);
  ExpectZeroedOnly({{10, 20}, {30, 40}});
}

TEST_F(ClearGapsTest, ZeroFillRedrawsItsPercentagePerChunk) {
  WriteDataFile(1000000);
  // Into a file or a pipe only the last figure goes.
  EXPECT_TRUE(Clear({Gap(200000, 500000)}, /*nosparse=*/true));
  EXPECT_EQ("\t195 KB ... 488 KB (292 KB) ... Zeroing 100 %\n"
            + ZeroFilled("292 KB"),
            console.output);
  // Each chunk is read to see whether it needs the write.
  EXPECT_EQ(3, disk.Calls(DiskOp::Read));
  EXPECT_EQ(3, disk.Calls(DiskOp::Write));
  ExpectZeroedOnly({{200000, 500000}});

  // On a terminal each percentage goes back to the place behind the gap line.
  console.output.clear();
  console.isTerminal = true;
  EXPECT_TRUE(Clear({Gap(600000, 900000)}, /*nosparse=*/true));
  EXPECT_EQ("\t585 KB ... 878 KB (292 KB)<redraw> ... Zeroing  43 %<redraw> ... Zeroing  87 %"
            "<redraw> ... Zeroing 100 %\n" + ZeroFilled("292 KB"),
            console.output);
}

TEST_F(ClearGapsTest, ZeroFillStopsAtTheEndOfTheFile) {
  WriteDataFile(300000);
  EXPECT_TRUE(Clear({Gap(100000, 400000), Gap(300000, 300010), Gap(5, 5)}, /*nosparse=*/true));
  // 200,000 of the 300,000 bytes exist; the percentage stays below 100.
  EXPECT_EQ("\t97.6 KB ... 390 KB (292 KB) ... Zeroing  66 %\n"
            "\t292 KB ... 292 KB (10 bytes) ... [no data]\n"
            "\t5 bytes ... 4 bytes (0 bytes)\n"
            + ZeroFilled("195 KB"),
            console.output);
  ExpectZeroedOnly({{100000, 300000}});
}

TEST_F(ClearGapsTest, PercentageOfALargeGapIsExact) {
  // done * 100 passes 32 bits once a gap is larger than 42,949,672 bytes.
  const uint32_t length = 45000000;
  WriteDataFile(length);
  console.isTerminal = true;
  EXPECT_TRUE(Clear({Gap(0, length)}, /*nosparse=*/true));
  std::string expectedEnd =
      " ... Zeroing  99 %<redraw> ... Zeroing 100 %\n" + ZeroFilled("42.9 MB") ;
  ASSERT_GE(console.output.size(), expectedEnd.size());
  EXPECT_EQ(expectedEnd, console.output.substr(console.output.size() - expectedEnd.size()));
  // One percentage per chunk, never going back.
  unsigned last = 0;
  size_t shown = 0;
  for (size_t at = console.output.find("Zeroing "); at != std::string::npos;
       at = console.output.find("Zeroing ", at + 1), ++shown) {
    unsigned percent = static_cast<unsigned>(std::stoul(console.output.substr(at + 8, 3)));
    EXPECT_GE(percent, last);
    last = percent;
  }
  // 343 whole chunks of 131,072 bytes and a last, shorter one.
  EXPECT_EQ(344u, shown);
  EXPECT_EQ(std::string(length, '\0'), ReadFileBytes(path));
}

TEST_F(ClearGapsTest, DiskFailuresEndTheirGapOnly) {
  WriteDataFile(1000000);
  disk.FailCall(DiskOp::Write, 2, kErrorIo);
  EXPECT_FALSE(Clear({Gap(0, 300000), Gap(400000, 400100)}, /*nosparse=*/true));
  EXPECT_EQ("\t0 bytes ... 292 KB (292 KB) ... Zeroing  43 % ... Error " +
                std::to_string(kErrorIo) +
                "\n"
                "\t390 KB ... 390 KB (100 bytes) ... Zeroing 100 %\n"
                // The failed gap's first chunk was zeroed, and counts.
                + ZeroFilled("128 KB"),
            console.output);
  ExpectZeroedOnly({{0, 131072}, {400000, 400100}});

  struct Case {
    DiskOp op;
    int error;
  };
  for (Case failure : {Case{DiskOp::Seek, kErrorIo}, Case{DiskOp::Status, kErrorIo},
                       Case{DiskOp::Read, kErrorIo}}) {
    WriteDataFile(1000000);
    FaultyDisk faulty;
    faulty.FailCall(failure.op, 1, failure.error);
    console.output.clear();
    EXPECT_FALSE(Clear({Gap(500000, 500100), Gap(600000, 600100)}, /*nosparse=*/true, faulty));
    EXPECT_EQ("\t488 KB ... 488 KB (100 bytes) ... Error " + std::to_string(failure.error) +
                  "\n\t585 KB ... 586 KB (100 bytes) ... Zeroing 100 %\n"
                  + ZeroFilled("100 bytes"),
              console.output);
    ExpectZeroedOnly({{600000, 600100}});
  }
}

TEST_F(ClearGapsTest, AnotherProgramAskingForTheFileStopsTheClearing) {
  // A client that opens the file meanwhile waits until the tool lets go;
  // from then on nothing more is written. Here it asks after the first
  // chunk of the zero fill, and before the first release.
  const std::string busy = " ... Error " + std::to_string(kErrorBusy) + "\n";
  const std::string stopped = "Error: another program opened 'X.part', nothing more is cleared.\n";
  WriteDataFile(1000000);
  FaultyDisk zeroFill;
  zeroFill.FailCall(DiskOp::ConfirmExclusive, 2, kErrorBusy, /*always=*/true);
  EXPECT_FALSE(Clear({Gap(0, 300000), Gap(400000, 400100)}, /*nosparse=*/true, zeroFill));
  EXPECT_EQ("\t0 bytes ... 292 KB (292 KB) ... Zeroing  43 %" + busy + stopped +
                ZeroFilled("128 KB"),
            console.output);
  ExpectZeroedOnly({{0, 131072}});

  WriteDataFile(1000000);
  FaultyDisk release;
  release.FailCall(DiskOp::ConfirmExclusive, 1, kErrorBusy, /*always=*/true);
  console.output.clear();
  EXPECT_FALSE(Clear({Gap(0, 300000), Gap(400000, 400100)}, /*nosparse=*/false, release));
  EXPECT_EQ("\t0 bytes ... 292 KB (292 KB)" + busy + stopped +
                "Cleaned space in 'X.part': 0 bytes\n",
            console.output);
  EXPECT_EQ(0, release.Calls(DiskOp::PunchHole));
  ExpectZeroedOnly({});
}

TEST_F(ClearGapsTest, AnInterruptEndsTheLineAndTheClearing) {
  // Asked before each gap and chunk, it says so at the second chunk.
  for (bool terminal : {true, false}) {
    WriteDataFile(1000000);
    console.output.clear();
    console.isTerminal = terminal;
    int asked = 0;
    OpenResult opened = disk.OpenExclusive(path);
    ClearPlan plan;
    plan.partPath = "X.part";
    plan.nosparse = true;
    plan.interrupted = [&] { return ++asked > 2; };
    EXPECT_FALSE(ClearGaps(opened.file, {Gap(0, 300000), Gap(400000, 400100)}, plan, disk, console));
    opened.file.Close();  // Windows lets nobody read it while it is open
    EXPECT_EQ(std::string("\t0 bytes ... 292 KB (292 KB)") + (terminal ? "<redraw>" : "") +
                  " ... Zeroing  43 %\n",
              console.output);
    ExpectZeroedOnly({{0, 131072}});
  }
}

TEST_F(ClearGapsTest, ASecondListingFindsNothingToClear) {
  // Zeros and holes are what a cleared gap holds: neither is written again,
  // and the total says what this run gave back.
  // Where holes can be seen, nothing is asked of the file system either.
  const bool holes = FileSystemReleasesRanges(folder.path());
  for (bool nosparse : {true, false}) {
    WriteDataFile(1000000);
    EXPECT_TRUE(Clear({Gap(1000, 300000), Gap(500000, 700001)}, nosparse));
    console.output.clear();
    FaultyDisk again;
    EXPECT_TRUE(Clear({Gap(1000, 300000), Gap(500000, 700001)}, nosparse, again));
    EXPECT_NE(std::string::npos, console.output.find("Cleaned space in 'X.part': 0 bytes\n"))
        << console.output;
    EXPECT_EQ(0, again.Calls(DiskOp::Write));
    if (holes) {
      EXPECT_EQ(0, again.Calls(DiskOp::PunchHole));
    }
    ExpectZeroedOnly({{1000, 300000}, {500000, 700001}});
  }
}

TEST_F(ClearGapsTest, ZeroFillLeavesHolesAsTheyAre) {
  if (!FileSystemReleasesRanges(folder.path()))
    GTEST_SKIP() << "this file system has no holes to keep (wine)";
  WriteDataFile(1048576);
  // Give the middle of the gap back first: a hole in the gap.
  ASSERT_TRUE(ReleaseRange(path, 262144, 524288));
  std::fill(content.begin() + 262144, content.begin() + 786432, '\0');
  const uint64_t allocated = AllocatedBytes(path);
  EXPECT_TRUE(Clear({Gap(200000, 900000)}, /*nosparse=*/true));
  // Only the data around the hole was written: 62,144 + 113,568 bytes.
  EXPECT_NE(std::string::npos, console.output.find(ZeroFilled("171 KB")))
      << console.output;
  EXPECT_EQ(allocated, AllocatedBytes(path));
  ExpectZeroedOnly({{200000, 900000}});
}

TEST_F(ClearGapsTest, EntriesThatAreNoRangeAreListedAndLeftAlone) {
  WriteDataFile(10000);
  MetGap noEnd = Gap(500, 0);
  noEnd.endStored = false;
  noEnd.fault = GapFault::NoEnd;
  MetGap noStart = Gap(0, 600);
  noStart.startStored = false;
  noStart.fault = GapFault::NoStart;
  MetGap reversed = Gap(500, 300);
  for (bool nosparse : {false, true}) {
    console.output.clear();
    EXPECT_TRUE(Clear({noEnd, noStart, Gap(700, 0), reversed}, nosparse));
    EXPECT_EQ("\t500 bytes ... 0 bytes (invalid gap, skipped)\n"
              "\t0 bytes ... 599 bytes (invalid gap, skipped)\n"
              "\t700 bytes ... 3.99 GB (invalid gap, skipped)\n"
              "\t500 bytes ... 299 bytes (invalid gap, skipped)\n"
              "Cleaned space in 'X.part': 0 bytes\n",
              console.output);
  }
  EXPECT_EQ(0, disk.Calls(DiskOp::PunchHole));
  EXPECT_EQ(0, disk.Calls(DiskOp::Write));
  ExpectZeroedOnly({});
}

TEST_F(ClearGapsTest, NoGapsStillMarksTheFileAndPrintsTheTotal) {
  WriteDataFile(100);
  EXPECT_TRUE(Clear({}, /*nosparse=*/false));
  EXPECT_EQ(1, disk.Calls(DiskOp::SetSparse));
  EXPECT_EQ("Cleaned space in 'X.part': 0 bytes\n", console.output);
}

}  // namespace
