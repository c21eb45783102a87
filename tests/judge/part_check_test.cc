#include "judge/part_check.h"

#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <functional>
#include <map>
#include <mutex>
#include <thread>

#include "met/part_layout.h"
#include "tests/hash/reference_md4.h"
#include "tests/support/byte_text.h"
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
          Disk& disk = SystemDisk(), const PartHashOptions& options = {}) {
    download.fileSize = 30000000;
    download.partHashes = true;
    download.corruptParts = corrupt;
    for (const auto& bound : bounds) gaps.push_back(Gap(bound.first, bound.second));
    std::string error;
    EXPECT_TRUE(WriteSampleDownload(folder.path(), download, &error)) << error;
    std::string met = ReadFileBytes(folder.Path("001.part.met"));
    MetImage image = MakeMetImage(met.data(), met.size());
    MetDecode decoded = DecodeMetFile(image);
    EXPECT_TRUE(decoded.file);
    const MetFile& file = *decoded.file;
    OpenResult data = disk.OpenForReading(folder.Path("001.part"));
    EXPECT_TRUE(data.ok());
    const PartJudging judging{image, file, JudgeHashes(image, file), 30000000, gaps};
    EXPECT_EQ(HashTrust::PartHashes, judging.trust);
    std::optional<std::vector<PartFinding>> findings =
        HashParts(judging, data.file, folder.Path("001.part"), disk, console, options);
    result = findings.has_value();
    if (findings) RepairGaps(Verdicts(*findings), 30000000, 30000000, gaps, console);
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
  // Parts 0 and 2 are damaged inside the gaps, so neither is complete.
  Checked check({0, 1, 2}, {{2 * P, 2 * P + 5}, {100, P}});
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
  EXPECT_EQ("Part 3 is corrupt, New Gap 1bd5000 .. 1c9c380 was added\n", check.Repairs());
  EXPECT_EQ(4u, check.gaps.size());
}

TEST(PartCheckTest, TheShortLastPartsGapEndsAtTheSize) {
  Checked check({3}, {});
  ASSERT_TRUE(check.result);
  EXPECT_EQ("Part 3 is corrupt, New Gap 1bd5000 .. 1c9c380 was added\n", check.Repairs());
  // Grown over the last part, a gap ends at the size as well.
  Checked grown({2, 3}, {{3 * P - 8, 3 * P}});
  EXPECT_EQ("Part 3 is corrupt, Gap 0 was expanded to 1bd4ff8 .. 1c9c380\n", grown.Repairs());
}

TEST(PartCheckTest, ACompletePartInsideAGapLeavesIt) {
  // Part 1 is whole on disk although the gaps hold pieces of it: it leaves
  // them, the gap around it split in two. Part 2 holds damage in its gap.
  Checked check({2}, {{P + 5, P + 10}, {P + 100, 2 * P + 50}, {2 * P + 60, 2 * P + 70}});
  ASSERT_TRUE(check.result);
  EXPECT_NE(std::string::npos, check.console.output.find(
                                   " [x] complete, found inside a gap\nCalculated Hash 002: "));
  EXPECT_NE(std::string::npos,
            check.console.output.find(" [-] incomplete, not checked\nCalculated Hash 003: "));
  EXPECT_EQ("", check.Repairs());
  ASSERT_EQ(2u, check.gaps.size());
  EXPECT_EQ(2 * P, check.gaps[0].start);
  EXPECT_EQ(2 * P + 50, check.gaps[0].end);
  EXPECT_EQ(2 * P + 60, check.gaps[1].start);
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

// The ways of reading a part check can take.
const PartHashOptions kReadings[] = {
    {1, PartReads::kParallel}, {2, PartReads::kParallel}, {3, PartReads::kParallel},
    {1, PartReads::kSequential}, {2, PartReads::kSequential}};

std::string Describe(const PartHashOptions& options) {
  return std::string(options.reads == PartReads::kParallel ? "parallel" : "sequential") + ", " +
         std::to_string(options.threads) + " thread(s)";
}

// The line of a part as the tool has always printed it, its digest taken by
// the plain MD4 from the data file as it is. The checks here write the same
// download again and again, so each part's digest is worked out once.
std::string HashLine(const std::string& data, uint32_t part, const char* mark) {
  static std::map<size_t, std::string> known;
  const std::string bytes = data.substr(part * P, P);
  std::string& digest = known[std::hash<std::string>()(bytes)];
  if (digest.empty()) digest = Hex(ReferenceMd4(bytes));
  return "Calculated Hash 00" + std::to_string(part) + ": " + digest + mark + "\n";
}

// The download of Checked, written once for many checks of its parts.
struct Written {
  TempFolder folder;
  std::string met;
  MetImage image;
  MetHeader header;
  MetFile file;
  std::string data;

  explicit Written(std::vector<uint32_t> corrupt) {
    SampleDownload download;
    download.partHashes = true;
    download.corruptParts = corrupt;
    std::string error;
    EXPECT_TRUE(WriteSampleDownload(folder.path(), download, &error)) << error;
    met = ReadFileBytes(folder.Path("001.part.met"));
    image = MakeMetImage(met.data(), met.size());
    HeaderRead read = ReadMetHeader(image);
    EXPECT_TRUE(read.header);
    if (read.header) header = *read.header;
    file = *DecodeMetFile(image).file;
    data = ReadFileBytes(folder.Path("001.part"));
  }

  // Hashes the parts as a run does; false when they could not be read.
  bool Hash(const GapTable& gaps, Disk& disk, const PartHashOptions& options, Console& console) {
    OpenResult opened = disk.OpenForReading(folder.Path("001.part"));
    EXPECT_TRUE(opened.ok());
    const PartJudging judging{image, file, HashTrust::PartHashes, data.size(), gaps};
    return HashParts(judging, opened.file, folder.Path("001.part"), disk, console, options)
        .has_value();
  }
};

TEST(PartCheckTest, TheLinesAreTheSameWhicheverWayThePartsAreRead) {
  Written written({1, 3});
  for (const PartHashOptions& options : kReadings) {
    StringConsole console;
    EXPECT_TRUE(written.Hash({Gap(3 * P + 10, 3 * P + 20)}, SystemDisk(), options, console));
    const std::string& data = written.data;
    EXPECT_EQ("Calculating hashs ...\n" + HashLine(data, 0, " [x] ") + HashLine(data, 1, " [ ]") +
                  HashLine(data, 2, " [x] ") + HashLine(data, 3, " [-] incomplete, not checked"),
              console.output)
        << Describe(options);
  }
}

TEST(PartCheckTest, AReadErrorPrintsThePartsBeforeItThenTheError) {
  Written written({1, 3});
  for (uint32_t failing : {0u, 2u, 3u}) {
    for (const PartHashOptions& options : kReadings) {
      FaultyDisk disk;
      disk.FailReadsOf(failing * P + 4096, kErrorIo);
      if (failing < 3) disk.FailReadsOf(3 * P + 1, kErrorNoSpace);  // a later one does not count
      StringConsole console;
      EXPECT_FALSE(written.Hash({}, disk, options, console));
      std::string expected = "Calculating hashs ...\n";
      for (uint32_t part = 0; part < failing; ++part)
        expected += HashLine(written.data, part, part == 1 ? " [ ]" : " [x] ");
      expected += "Error: reading '" + written.folder.Path("001.part") + "' failed (Error " +
                  std::to_string(kErrorIo) + ")\n";
      EXPECT_EQ(expected, console.output) << "part " << failing << ", " << Describe(options);
    }
  }
}

// A console that several threads may look at, and that notes which thread
// writes to it.
class WatchedConsole : public Console {
 public:
  void Write(std::string_view text) override {
    {
      std::lock_guard<std::mutex> lock(mutex_);
      output_.append(text);
      if (std::this_thread::get_id() != writer_) otherWriters_ = true;
    }
    changed_.notify_all();
  }
  bool MarkCursor() override { return false; }
  void RedrawFromMark() override {}
  void WaitForKey() override {}

  /// Waits up to 30 s until the output holds `text`; false when it never came.
  bool WaitFor(const std::string& text) {
    std::unique_lock<std::mutex> lock(mutex_);
    return changed_.wait_for(lock, std::chrono::seconds(30),
                             [&] { return output_.find(text) != std::string::npos; });
  }
  std::string output() {
    std::lock_guard<std::mutex> lock(mutex_);
    return output_;
  }
  bool otherWriters() {
    std::lock_guard<std::mutex> lock(mutex_);
    return otherWriters_;
  }

 private:
  std::mutex mutex_;
  std::condition_variable changed_;
  std::string output_;
  const std::thread::id writer_ = std::this_thread::get_id();
  bool otherWriters_ = false;
};

// The real disk, where a read of the last part waits until the first part's
// line is out: had the lines waited for all parts, the check would stall.
class GatedDisk : public FaultyDisk {
 public:
  GatedDisk(WatchedConsole& console, uint64_t gate) : console_(console), gate_(gate) {}
  ReadResult ReadAt(File& file, uint64_t offset, void* buffer, size_t size) override {
    if (offset + size > gate_ && !console_.WaitFor("Calculated Hash 000: ")) {
      ReadResult timedOut;
      timedOut.error = kErrorBusy;
      return timedOut;
    }
    return FaultyDisk::ReadAt(file, offset, buffer, size);
  }

 private:
  WatchedConsole& console_;
  const uint64_t gate_;
};

TEST(PartCheckTest, EachLineIsPrintedOnceItsPartAndThoseBeforeAreDone) {
  // Two threads in parallel take parts 0 and 2, and 1 and 3; the sequential
  // reading reaches part 3 last. The disk seeks, as the disks the sequential
  // reading is for do: it then reads part 0 alone first (a file the cache
  // holds whole goes in one window, whose lines come out together at once).
  Written written({});
  ASSERT_EQ(4u, written.header.partCount);
  for (const PartHashOptions& options : {kReadings[1], kReadings[3], kReadings[4]}) {
    WatchedConsole console;
    GatedDisk disk(console, 3 * P);
    disk.SetSeekCost(SeekCost::Seeks);
    EXPECT_TRUE(written.Hash({}, disk, options, console))
        << Describe(options) << ": " << console.output();
    EXPECT_NE(std::string::npos, console.output().find("Calculated Hash 003: "));
    EXPECT_FALSE(console.otherWriters()) << "only the thread that asked writes to the console";
  }
}

}  // namespace
