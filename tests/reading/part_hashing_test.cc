// The digests of a part check against a plain MD4 of each part: files of many
// sizes, both ways of reading, one thread and several, every kernel, a read
// that fails, and a sparse file past 4 GiB; and spans of some parts and of
// several files in one run, their AICH hashes and the windows read ahead.
#include "reading/part_hashing.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <map>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "hash/aich_tree.h"
#include "hash/md4_lanes.h"
#include "met/part_layout.h"
#include "reading/part_lanes.h"
#include "sample/sample_download.h"
#include "tests/hash/reference_md4.h"
#include "tests/support/byte_text.h"
#include "tests/support/error_codes.h"
#include "tests/support/faulty_disk.h"
#include "tests/support/memory_disk.h"
#include "tests/support/temp_folder.h"

namespace {

constexpr uint64_t P = kPartSize;

// The first `size` bytes of one pseudo-random stream, so that a part of one
// file is the same bytes as that part of a longer file.
std::string Content(uint64_t size) {
  std::string bytes(size, '\0');
  if (size) SampleBytes(1320, 0, reinterpret_cast<uint8_t*>(&bytes[0]), bytes.size());
  return bytes;
}

// The plain MD4 of part `part` of `content` (empty past its end), each one
// computed once for all the tests.
std::string ReferencePart(const std::string& content, uint32_t part) {
  static std::map<std::pair<uint64_t, uint64_t>, std::string> known;
  const uint64_t start = std::min<uint64_t>(part * P, content.size());
  const uint64_t length = std::min<uint64_t>(P, content.size() - start);
  std::string& digest = known[{start, length}];
  if (digest.empty()) digest = Hex(reinterpret_cast<const uint8_t*>(
                          ReferenceMd4(content.substr(start, length)).data()));
  return digest;
}

// The parts a client stores hashes for: one per started part and one more.
uint32_t PartsOf(uint64_t size) { return static_cast<uint32_t>(size / P + 1); }

// What the check gives for each part, in order: the digest in hex, or
// "error N" for the failure it stopped at.
std::vector<std::string> HashAll(Disk& disk, File& data, uint32_t parts,
                                 const PartHashOptions& options) {
  std::vector<std::string> outcomes;
  PartHashing hashing(disk, data, parts, options);
  for (uint32_t part = 0; part < parts; ++part) {
    const PartOutcome outcome = hashing.Wait(part);
    if (!outcome.ok) {
      outcomes.push_back("error " + std::to_string(outcome.error));
      break;
    }
    outcomes.push_back(Hex(outcome.digest.data()));
  }
  return outcomes;
}

std::vector<std::string> Expected(const std::string& content, uint32_t parts) {
  std::vector<std::string> digests;
  for (uint32_t part = 0; part < parts; ++part) digests.push_back(ReferencePart(content, part));
  return digests;
}

struct Setup {
  PartReads reads;
  unsigned threads;
};

void PrintTo(const Setup& setup, std::ostream* out) {
  *out << (setup.reads == PartReads::kParallel ? "parallel" : "sequential") << ", "
       << setup.threads << " thread(s)";
}

class PartHashingTest : public testing::TestWithParam<Setup> {
 protected:
  PartHashOptions Options() const { return PartHashOptions{GetParam().threads, GetParam().reads}; }
};

TEST_P(PartHashingTest, FilesOfManySizesInMemory) {
  const uint64_t sizes[] = {0,     1,     63,    64,        65537,         P - 1,
                            P,     P + 1, 2 * P, 3 * P + 12345, 5 * P};
  for (uint64_t size : sizes) {
    MemoryDisk disk;
    const std::string content = Content(size);
    disk.PutFile("data.part", content);
    OpenResult data = disk.OpenForReading("data.part");
    ASSERT_TRUE(data.ok());
    EXPECT_EQ(Expected(content, PartsOf(size)), HashAll(disk, data.file, PartsOf(size), Options()))
        << size << " bytes";
  }
}

TEST_P(PartHashingTest, PartsPastTheEndOfTheFileHashWhatExists) {
  // A client's data file may be shorter than the download: those parts are
  // empty, and the one the end cuts through is short.
  MemoryDisk disk;
  const std::string content = Content(P + P / 2);
  disk.PutFile("data.part", content);
  OpenResult data = disk.OpenForReading("data.part");
  ASSERT_TRUE(data.ok());
  const std::vector<std::string> digests = HashAll(disk, data.file, 6, Options());
  EXPECT_EQ(Expected(content, 6), digests);
  EXPECT_EQ("31d6cfe0d16ae931b73c59d7e0c089c0", digests.back());
}

TEST_P(PartHashingTest, RealFilesThroughHandlesOfTheirOwn) {
  TempFolder folder;
  for (uint64_t size : {P + 1, 2 * P, 3 * P + 100}) {
    const std::string content = Content(size);
    ASSERT_TRUE(WriteFileBytes(folder.Path("data.part"), content));
    FaultyDisk counting;
    OpenResult data = counting.OpenForReading(folder.Path("data.part"));
    ASSERT_TRUE(data.ok());
    EXPECT_EQ(Expected(content, PartsOf(size)),
              HashAll(counting, data.file, PartsOf(size), Options()))
        << size << " bytes";
    EXPECT_GE(counting.Calls(DiskOp::OpenSequentialReader), 1);
  }
}

TEST_P(PartHashingTest, WithoutHandlesOfTheirOwnTheLanesShareTheFile) {
  TempFolder folder;
  const std::string content = Content(3 * P + 100);
  ASSERT_TRUE(WriteFileBytes(folder.Path("data.part"), content));
  FaultyDisk refusing;
  refusing.FailCall(DiskOp::OpenSequentialReader, 1, kErrorNoSpace, /*always=*/true);
  OpenResult data = refusing.OpenForReading(folder.Path("data.part"));
  ASSERT_TRUE(data.ok());
  EXPECT_EQ(Expected(content, 4), HashAll(refusing, data.file, 4, Options()));
}

TEST_P(PartHashingTest, TheFirstPartThatCannotBeReadEndsTheCheck) {
  TempFolder folder;
  const std::string content = Content(5 * P + 100);
  ASSERT_TRUE(WriteFileBytes(folder.Path("data.part"), content));
  const std::vector<std::string> sound = Expected(content, 6);
  for (uint32_t failing : {0u, 2u, 5u}) {
    FaultyDisk disk;
    disk.FailReadsOf(failing * P + 50, kErrorIo);
    // A later part fails too, and with another error: it does not count.
    if (failing < 5) disk.FailReadsOf(5 * P + 10, kErrorNoSpace);
    OpenResult data = disk.OpenForReading(folder.Path("data.part"));
    ASSERT_TRUE(data.ok());
    std::vector<std::string> expected(sound.begin(), sound.begin() + failing);
    expected.push_back("error " + std::to_string(kErrorIo));
    EXPECT_EQ(expected, HashAll(disk, data.file, 6, Options())) << "part " << failing;
  }
}

TEST_P(PartHashingTest, TheNthReadFailingEndsTheCheckAtItsPart) {
  // Which part the 30th read belongs to depends on the threads; whichever
  // it is, the parts before it are sound and it ends the check.
  TempFolder folder;
  const std::string content = Content(4 * P);
  ASSERT_TRUE(WriteFileBytes(folder.Path("data.part"), content));
  FaultyDisk disk;
  disk.FailCall(DiskOp::Read, 30, kErrorIo);
  OpenResult data = disk.OpenForReading(folder.Path("data.part"));
  ASSERT_TRUE(data.ok());
  const std::vector<std::string> outcomes = HashAll(disk, data.file, 5, Options());
  ASSERT_FALSE(outcomes.empty());
  EXPECT_EQ("error " + std::to_string(kErrorIo), outcomes.back());
  for (size_t part = 0; part + 1 < outcomes.size(); ++part)
    EXPECT_EQ(ReferencePart(content, static_cast<uint32_t>(part)), outcomes[part]);
}

// Files of bytes of their own (seeds 1 on), open on `disk`; spans of them
// hashed, the outcomes in order up to the first failure.
struct SpanFiles {
  std::vector<std::string> bytes;
  std::vector<File> files;

  SpanFiles(MemoryDisk& disk, std::vector<uint64_t> sizes) {
    files.reserve(sizes.size());
    for (uint64_t size : sizes) {
      bytes.emplace_back(size, '\0');
      SampleBytes(uint32_t(bytes.size()), 0, reinterpret_cast<uint8_t*>(&bytes.back()[0]), size);
      const std::string name = "f" + std::to_string(bytes.size());
      disk.PutFile(name, bytes.back());
      files.push_back(std::move(disk.OpenForReading(name).file));
    }
  }
  // Part `part` of file `f`, with its AICH tree where `aich`.
  PartSpan Span(size_t f, uint32_t part, bool aich = false) {
    return DownloadPartSpans(files[f], bytes[f].size(), {part}, aich)[0];
  }
  // The reference MD4 of `length` bytes at `start` of file `f`.
  std::string Md4(size_t f, uint64_t start, uint64_t length) const {
    return Hex(ReferenceMd4(bytes[f].substr(start, length)));
  }
};

std::vector<PartOutcome> HashSpans(Disk& disk, std::vector<PartSpan> spans,
                                   const PartHashOptions& options) {
  const size_t count = spans.size();
  PartHashing hashing(disk, std::move(spans), options);
  std::vector<PartOutcome> outcomes;
  for (uint32_t i = 0; i < count && (outcomes.empty() || outcomes.back().ok); ++i)
    outcomes.push_back(hashing.Wait(i));
  return outcomes;
}

std::vector<std::string> Digests(const std::vector<PartOutcome>& outcomes) {
  std::vector<std::string> digests;
  for (const PartOutcome& outcome : outcomes)
    digests.push_back(outcome.ok ? Hex(outcome.digest.data()) : "error " + std::to_string(outcome.error));
  return digests;
}

TEST_P(PartHashingTest, SomePartsAndPartsOfSeveralFilesInOneRun) {
  MemoryDisk disk;
  SpanFiles f(disk, {3 * P + 12345, P / 2 + 1, 2 * P});
  EXPECT_EQ((std::vector<std::string>{f.Md4(0, 0, P), f.Md4(0, 2 * P, P)}),
            Digests(HashSpans(disk, {f.Span(0, 0), f.Span(0, 2)}, Options())));
  EXPECT_EQ(std::vector<std::string>{f.Md4(0, 3 * P, 12345)},
            Digests(HashSpans(disk, {f.Span(0, 3)}, Options())));
  EXPECT_EQ((std::vector<std::string>{f.Md4(1, 0, P / 2 + 1), f.Md4(0, 3 * P, 12345),
                                      f.Md4(2, P, P), f.Md4(0, P, P), f.Md4(2, 0, P),
                                      f.Md4(1, 7, 100)}),
            Digests(HashSpans(disk, {f.Span(1, 0), f.Span(0, 3), f.Span(2, 1), f.Span(0, 1),
                                     f.Span(2, 0), PartSpan{&f.files[1], 7, 100}},
                              Options())));
}

TEST_P(PartHashingTest, AichHashesOfSpansOfTwoFiles) {
  // Eight spans with a tree after one without: one thread hashes them in
  // SHA-1 lanes where the processor has them, several with the system's SHA-1.
  MemoryDisk disk;
  SpanFiles f(disk, {2 * P + 100, 4 * P + 7});
  const std::vector<PartSpan> spans{f.Span(1, 3),       f.Span(1, 4, true), f.Span(0, 1, true),
                                    f.Span(1, 0, true), f.Span(0, 2, true), f.Span(1, 1, true),
                                    f.Span(0, 0, true), f.Span(1, 2, true), f.Span(1, 3, true)};
  const std::vector<PartOutcome> outcomes = HashSpans(disk, spans, Options());
  ASSERT_EQ(spans.size(), outcomes.size());
  for (size_t i = 0; i < spans.size(); ++i) {
    const size_t file = spans[i].file == &f.files[0] ? 0 : 1;
    AichPartHasher hasher;
    hasher.Update(reinterpret_cast<const uint8_t*>(&f.bytes[file][spans[i].offset]), spans[i].length);
    AichHash expected;
    ASSERT_TRUE(hasher.Finish(AichPartSide(f.bytes[file].size(), spans[i].aichPart), &expected));
    EXPECT_EQ(spans[i].aichSize != 0, outcomes[i].aich.has_value()) << "span " << i;
    if (outcomes[i].aich) {
      EXPECT_EQ(expected, *outcomes[i].aich) << "span " << i;
    }
  }
}

TEST_P(PartHashingTest, AReadFailureInTheSecondFileEndsTheRunThere) {
  TempFolder folder;
  const std::string first = Content(P + 100), second = Content(3 * P).substr(1);
  ASSERT_TRUE(WriteFileBytes(folder.Path("a.part"), first));
  ASSERT_TRUE(WriteFileBytes(folder.Path("b.part"), second));
  FaultyDisk disk;
  disk.FailReadsOf(2 * P + 50, kErrorIo);  // only the second file has that byte
  OpenResult a = disk.OpenForReading(folder.Path("a.part"));
  OpenResult b = disk.OpenForReading(folder.Path("b.part"));
  ASSERT_TRUE(a.ok() && b.ok());
  std::vector<PartSpan> spans = DownloadPartSpans(a.file, first.size(), {0, 1}, false);
  for (const PartSpan& span : DownloadPartSpans(b.file, second.size(), {0, 1, 2}, false))
    spans.push_back(span);
  EXPECT_EQ((std::vector<std::string>{ReferencePart(first, 0), ReferencePart(first, 1),
                                      Hex(ReferenceMd4(second.substr(0, P))),
                                      Hex(ReferenceMd4(second.substr(P, P))),
                                      "error " + std::to_string(kErrorIo)}),
            Digests(HashSpans(disk, spans, Options())));
}

// A disk in memory that notes what the sequential reading asks it to read ahead.
struct PrefetchNotingDisk : MemoryDisk {
  const File* second = nullptr;
  std::vector<std::string> asked;
  void Prefetch(File& file, uint64_t offset, uint64_t length) override {
    asked.push_back((&file == second ? "b " : "a ") + std::to_string(offset) + "+" +
                    std::to_string(length));
  }
};

TEST(PartWindowTest, AWindowIsAskedForOncePerRunOfAdjacentSpansOfOneFile) {
  for (unsigned threads : {1u, 2u}) {
    PrefetchNotingDisk disk;
    disk.SetSeekCost(SeekCost::None);
    SpanFiles f(disk, {3000, 400});
    File* a = &f.files[0];
    File* b = &f.files[1];
    disk.second = b;
    HashSpans(disk, {{a, 0, 1000}, {a, 1000, 500}, {b, 0, 300}, {b, 300, 10}, {a, 1500, 20},
                     {b, 0, 5}},
              PartHashOptions{threads, PartReads::kSequential});
    EXPECT_EQ((std::vector<std::string>{"a 0+1500", "b 0+310", "a 1500+20", "b 0+5"}), disk.asked)
        << threads << " thread(s)";
  }
}

INSTANTIATE_TEST_SUITE_P(Readings, PartHashingTest,
                         testing::Values(Setup{PartReads::kParallel, 1},
                                         Setup{PartReads::kParallel, 2},
                                         Setup{PartReads::kParallel, 3},
                                         Setup{PartReads::kSequential, 1},
                                         Setup{PartReads::kSequential, 2}));

struct KernelChoice {
  const char* name;
  std::optional<Md4Kernel> kernel;  // nullopt: the engine's own choice
};

void PrintTo(const KernelChoice& choice, std::ostream* out) { *out << choice.name; }

class PartHashingKernelTest : public testing::TestWithParam<KernelChoice> {
 protected:
  void SetUp() override {
    if (GetParam().kernel && !ForceMd4Kernel(GetParam().kernel))
      GTEST_SKIP() << Md4KernelName(*GetParam().kernel) << " does not run here";
  }
  void TearDown() override { ForceMd4Kernel(std::nullopt); }
};

TEST_P(PartHashingKernelTest, EveryKernelGivesTheSameDigests) {
  for (uint64_t size : {P + 1, 2 * P, 3 * P + 12345}) {
    MemoryDisk disk;
    const std::string content = Content(size);
    disk.PutFile("data.part", content);
    OpenResult data = disk.OpenForReading("data.part");
    ASSERT_TRUE(data.ok());
    for (PartReads reads : {PartReads::kParallel, PartReads::kSequential}) {
      EXPECT_EQ(Expected(content, PartsOf(size)),
                HashAll(disk, data.file, PartsOf(size), PartHashOptions{0, reads}))
          << size << " bytes";
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Kernels, PartHashingKernelTest,
                         testing::Values(KernelChoice{"scalar", Md4Kernel::kScalar},
                                         KernelChoice{"SSE2", Md4Kernel::kSse2},
                                         KernelChoice{"AVX2", Md4Kernel::kAvx2},
                                         KernelChoice{"AVX512", Md4Kernel::kAvx512},
                                         KernelChoice{"best", std::nullopt}),
                         [](const testing::TestParamInfo<KernelChoice>& choice) {
                           return std::string(choice.param.name);
                         });

// 5,000,000,000 bytes, 514 part hashes, holes but for a few bytes: at the
// start, across 4 GiB (in part 441), and at the very end.
TEST(PartHashingLargeFileTest, ASparseFilePast4GiB) {
  constexpr uint64_t kSize = 5000000000ull;
  const std::pair<uint64_t, std::string> written[] = {
      {100, "start"}, {(uint64_t{1} << 32) - 3, "across 4 GiB"}, {kSize - 3, "end"}};
  TempFolder folder;
  Disk& disk = SystemDisk();
  {
    OpenResult created = disk.CreateNew(folder.Path("big.part"));
    ASSERT_TRUE(created.ok());
    disk.SetSparse(created.file);  // NTFS leaves the rest unallocated only then
    for (const auto& piece : written) {
      ASSERT_EQ(0, disk.Seek(created.file, piece.first));
      ASSERT_EQ(0, disk.Write(created.file, piece.second.data(), piece.second.size()));
    }
  }
  OpenResult data = disk.OpenForReading(folder.Path("big.part"));
  ASSERT_TRUE(data.ok());
  std::vector<ByteRange> ranges;
  ASSERT_EQ(0, disk.DataRanges(data.file, 0, kSize, &ranges));
  uint64_t stored = 0;
  for (const ByteRange& range : ranges) stored += range.end - range.start;
  if (stored > kSize / 2) GTEST_SKIP() << "the file system stores the holes of a file";

  // Every part is zeros but the three with the written bytes.
  const std::string zeros = Hex(reinterpret_cast<const uint8_t*>(ReferenceMd4(std::string(P, '\0')).data()));
  std::vector<std::string> expected(514, zeros);
  for (const auto& piece : written) {
    const uint32_t part = static_cast<uint32_t>(piece.first / P);
    const uint64_t start = part * P, length = std::min(P, kSize - start);
    std::string bytes(length, '\0');
    // The piece across 4 GiB lies within one part.
    bytes.replace(piece.first - start, piece.second.size(), piece.second);
    expected[part] = Hex(reinterpret_cast<const uint8_t*>(ReferenceMd4(bytes).data()));
  }
  EXPECT_EQ(441u, ((uint64_t{1} << 32) - 3) / P);
  for (PartReads reads : {PartReads::kParallel, PartReads::kSequential})
    EXPECT_EQ(expected, HashAll(disk, data.file, 514, PartHashOptions{0, reads}));
  // Without part 0 alone: windows on a disk without seeks, one window where
  // the cache holds the file whole.
  for (SeekCost cost : {SeekCost::None, SeekCost::Cached}) {
    FaultyDisk fast;
    fast.SetSeekCost(cost);
    EXPECT_EQ(expected, HashAll(fast, data.file, 514, PartHashOptions{0, PartReads::kSequential}));
  }
}

TEST(PartReadsTest, TheEnvironmentForcesAReadingAndTheStorageChoosesTheRest) {
  const PartReads parallel = PartReads::kParallel, sequential = PartReads::kSequential;
  EXPECT_EQ(parallel, ChooseReads(PartReads::kAuto, nullptr, SeekCost::None));
  EXPECT_EQ(parallel, ChooseReads(PartReads::kAuto, nullptr, SeekCost::Unknown));
  EXPECT_EQ(sequential, ChooseReads(PartReads::kAuto, nullptr, SeekCost::Seeks));
  EXPECT_EQ(parallel, ChooseReads(PartReads::kAuto, "parallel", SeekCost::Seeks));
  EXPECT_EQ(sequential, ChooseReads(PartReads::kAuto, "sequential", SeekCost::None));
  // Any other value leaves the choice to the storage.
  EXPECT_EQ(sequential, ChooseReads(PartReads::kAuto, "Parallel", SeekCost::Seeks));
  EXPECT_EQ(parallel, ChooseReads(PartReads::kAuto, "", SeekCost::None));
  // A reading asked for by the caller stands.
  EXPECT_EQ(parallel, ChooseReads(parallel, "sequential", SeekCost::Seeks));
  EXPECT_EQ(sequential, ChooseReads(sequential, "parallel", SeekCost::None));
  // A run refuses any other value than these.
  EXPECT_TRUE(IsKnownReads(nullptr) && IsKnownReads("") && IsKnownReads("sequential"));
  EXPECT_FALSE(IsKnownReads("Parallel") || IsKnownReads("parallel "));
}

TEST(PartReadsTest, ARotatingDiskIsReadFromFrontToBack) {
  MemoryDisk disk;
  disk.PutFile("data.part", Content(P + 10));
  OpenResult data = disk.OpenForReading("data.part");
  ASSERT_TRUE(data.ok());
  disk.SetSeekCost(SeekCost::Seeks);
  EXPECT_EQ(PartReads::kSequential, PartHashing(disk, data.file, 2, {}).reads());
  disk.SetSeekCost(SeekCost::None);
  EXPECT_EQ(PartReads::kParallel, PartHashing(disk, data.file, 2, {}).reads());
}

TEST(HashThreadsTest, OnePerCoreAtMostOnePerPart) {
  EXPECT_EQ(1u, HashThreads(0, 0));
  EXPECT_EQ(1u, HashThreads(0, 1));
  EXPECT_EQ(3u, HashThreads(5, 3));
  EXPECT_EQ(2u, HashThreads(2, 500));
  EXPECT_EQ(16u, HashThreads(1000, 5000));
  const unsigned cores = std::max(1u, std::thread::hardware_concurrency());
  EXPECT_EQ(std::min(cores, 16u), HashThreads(0, 5000));
}

TEST(SplitIntoBatchesTest, BatchesCoverTheSharesAndCostNoMoreThanAnEvenSplit) {
  for (size_t count = 1; count <= 400; ++count) {
    const std::vector<size_t> batches = SplitIntoBatches(count);
    size_t covered = 0;
    double cost = 0;
    for (size_t batch : batches) {
      EXPECT_GE(batch, 1u);
      EXPECT_LE(batch, kMd4MaxMessages);
      EXPECT_LE(batch, batches.front()) << "largest first";
      covered += batch;
      cost += Md4LanesCost(batch);
    }
    EXPECT_EQ(count, covered);
    // The even split into the fewest batches, for comparison.
    const size_t fewest = (count + kMd4MaxMessages - 1) / kMd4MaxMessages;
    double even = 0;
    for (size_t b = 0; b < fewest; ++b) even += Md4LanesCost(count / fewest + (b < count % fewest));
    EXPECT_LE(cost, even + 1e-9) << count << " parts";
  }
  // A full batch is never split.
  EXPECT_EQ(std::vector<size_t>{kMd4MaxMessages}, SplitIntoBatches(kMd4MaxMessages));
}

}  // namespace
