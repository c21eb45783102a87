// Rewrites seen from outside: what they print, what they leave on disk, and
// that no moment of a rewrite leaves a damaged or lost metadata file.
#include <gtest/gtest.h>

#include <chrono>
#include <random>

#include "sample/sample_download.h"
#include "tests/e2e/e2e_support.h"
#include "tests/support/client_sample.h"
#include "tests/support/met_decoder.h"
#include "tests/support/platform_traits.h"
#include "tests/support/temp_folder.h"

namespace {

TEST(RewriteE2eTest, CompleteOnTheClientSample) {
  TempFolder folder;
  const std::string old = ClientSampleMet();
  ASSERT_TRUE(WriteFileBytes(folder.Path("X.part.met"), old));
  ProcessResult run = RunTool(folder.path(), {"X.part.met", "--complete"});
  EXPECT_EQ(0, run.exitCode);
  EXPECT_EQ(Lines("Hash Id: 0123456789abcdef0123456789abcdef\nHashed Part Count: 0\n"
                  "Tag Count : 15\n" + GapBarLine(0, 77)),
            run.output);
  EXPECT_EQ("X.part.met X.part.met.old", ListFolder(folder.path()));
  EXPECT_EQ(old, ReadFileBytes(folder.Path("X.part.met.old")));
  DecodedMet written = DecodeMet(ReadFileBytes(folder.Path("X.part.met")));
  ASSERT_TRUE(written.ok);
  EXPECT_EQ(15u, written.tags.size());
  EXPECT_TRUE(ClientGaps(written).empty());
}

TEST(RewriteE2eTest, CompleteKeepsTheBytesAShortDataFileLacksAGap) {
  // A client would find them missing and fetch them anyway, from 83.3 %.
  TempFolder folder;
  SampleDownload download;
  download.gaps = {{1000, 2000}};
  std::string error;
  ASSERT_TRUE(WriteSampleDownload(folder.path(), download, &error)) << error;
  ASSERT_TRUE(WriteFileBytes(folder.Path("001.part"), ReadFileBytes(folder.Path("001.part")).substr(0, 25000000)));
  ProcessResult run = RunTool(folder.path(), {"001.part.met", "--complete"});
  EXPECT_EQ(0, run.exitCode) << run.output;
  EXPECT_TRUE(Contains(run.output, Lines("'001.part' is 25000000 bytes, shorter than the download's "
                                         "30000000: the bytes after its end are missing, and the "
                                         "parts they cut are not downloaded whole.\nThe missing "
                                         "bytes: New Gap 17d7840 .. 1c9c380 was added\n")))
      << run.output;
  EXPECT_EQ((ClientGapList{{25000000, 30000000}}),
            ClientGaps(DecodeMet(ReadFileBytes(folder.Path("001.part.met")))));
}

TEST(RewriteE2eTest, SuccessiveRewritesKeepEveryBackup) {
  TempFolder folder;
  SampleDownload download;
  const std::string original = EncodeSampleMet(download);
  ASSERT_TRUE(WriteFileBytes(folder.Path("001.part.met"), original));
  std::vector<std::string> versions{original};
  for (int run = 0; run < 3; ++run) {
    ASSERT_EQ(0, RunTool(folder.path(), {"001.part.met", "--COMPLETE", "--nosparse"}).exitCode);
    versions.push_back(ReadFileBytes(folder.Path("001.part.met")));
  }
  EXPECT_EQ("001.part.met 001.part.met.000 001.part.met.001 001.part.met.old",
            ListFolder(folder.path()));
  EXPECT_EQ(versions[0], ReadFileBytes(folder.Path("001.part.met.old")));
  EXPECT_EQ(versions[1], ReadFileBytes(folder.Path("001.part.met.000")));
  EXPECT_EQ(versions[2], ReadFileBytes(folder.Path("001.part.met.001")));
}

TEST(RewriteE2eTest, AFileThatCannotBeRewrittenStaysAsItIs) {
  TempFolder folder;
  const std::string bad = std::string("\xE3") + std::string(40, '\0');
  ASSERT_TRUE(WriteFileBytes(folder.Path("X.part.met"), bad));
  ProcessResult run = RunTool(folder.path(), {"X.part.met", "--complete"});
  EXPECT_EQ(1, run.exitCode);
  EXPECT_EQ(Lines("Error: .met file version 0xe3 invalid!\n"
                  "Error: 'X.part.met' was not rewritten, it is unchanged.\n"),
            run.output);
  EXPECT_EQ("X.part.met", ListFolder(folder.path()));
  EXPECT_EQ(bad, ReadFileBytes(folder.Path("X.part.met")));
}

// A download whose metadata file holds several MB of tags.
std::string LargeMetFile() {
  SampleDownload download;
  for (int i = 0; i < 2000; ++i) {
    SampleTag blob{0x07, "blob" + std::to_string(i), std::string("\x00\x08\x00\x00", 4)};
    blob.value += std::string(2048, char('a' + i % 26));
    download.extraTags.push_back(blob);
  }
  for (uint32_t i = 0; i < 5000; ++i) download.gaps.push_back({i * 6000ull, i * 6000ull + 10});
  return EncodeSampleMet(download);
}

TEST(RewriteE2eTest, KilledAtAnyMomentNothingIsLost) {
  const std::string old = LargeMetFile();
  ASSERT_GT(old.size(), 4000000u);
  // A whole run first: the new file to expect, and how long a run takes.
  TempFolder reference;
  ASSERT_TRUE(WriteFileBytes(reference.Path("X.part.met"), old));
  auto begin = std::chrono::steady_clock::now();
  ASSERT_EQ(0, RunTool(reference.path(), {"X.part.met", "--complete"}).exitCode);
  auto duration = std::chrono::duration_cast<std::chrono::microseconds>(
                      std::chrono::steady_clock::now() - begin).count();
  const std::string rewritten = ReadFileBytes(reference.Path("X.part.met"));
  ASSERT_NE(old, rewritten);
  ASSERT_TRUE(DecodeMet(rewritten).ok);

  std::mt19937_64 random(20261207);
  std::uniform_int_distribution<uint64_t> moment(0, uint64_t(duration) * 3 / 2);
  int oldSeen = 0, newSeen = 0;
  for (int round = 0; round < 100; ++round) {
    SCOPED_TRACE(round);
    TempFolder folder;
    const std::string met = folder.Path("X.part.met");
    ASSERT_TRUE(WriteFileBytes(met, old));
    RunProcessKilledAfter({PARTSWEEP_BINARY, "X.part.met", "--complete"}, folder.path(),
                          moment(random));
    const std::string backup = ReadFileBytes(folder.Path("X.part.met.old"));
    if (!PathExists(met)) {
      EXPECT_EQ(old, backup);
      continue;
    }
    const std::string now = ReadFileBytes(met);
    if (now == old) {
      ++oldSeen;
      EXPECT_TRUE(backup.empty() || backup == old);
    } else {
      ++newSeen;
      ASSERT_EQ(rewritten, now);
      EXPECT_EQ(old, backup);
    }
    EXPECT_TRUE(DecodeMet(now).ok);
  }
  // Both ends were reached, or the kills did not spread over the run.
  EXPECT_GT(oldSeen, 0);
  EXPECT_GT(newSeen, 0);
}

}  // namespace
