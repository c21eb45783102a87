// The listing run seen from outside: what it prints, its exit status, and
// what it leaves in the data file.
#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "platform/disk.h"
#include "tests/support/error_codes.h"
#include "tests/support/child_process.h"
#include "sample/sample_download.h"
#include "tests/e2e/e2e_support.h"
#include "tests/support/client_sample.h"
#include "tests/support/platform_traits.h"
#include "tests/support/small_download.h"
#include "tests/support/met_decoder.h"
#include "tests/support/temp_folder.h"

namespace {

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
                  // The file ends 896 bytes into a block, which it keeps.
                  (releases ? "Cleaned space in 'test.part': 28.6 MB\n"
                              "Written over with zeros in 'test.part': 896 bytes, whose space the "
                              "file system keeps\n"
                            : "Cleaned space in 'test.part': 0 bytes\n"
                              "Written over with zeros in 'test.part': 28.6 MB, whose space the "
                              "file system keeps\n") +
                  // Written just now, the data file is not as the client saw it.
                  "'test.part' has another time than the metadata file notes: the client will "
                  "hash the whole download again on its next start.\n"),
            run.output);
  EXPECT_EQ(std::string(30000000, '\0'), ReadFileBytes(folder.Path("test.part")));
  if (releases) {
    EXPECT_LT(AllocatedBytes(folder.Path("test.part")), 1048576u);
  }
  EXPECT_EQ(ClientSampleMet(), ReadFileBytes(folder.Path("test.part.met")));
}

TEST(ListingE2eTest, ANameThatHoldsControlCharactersIsShownEscaped) {
  // Printed raw, a name tag's escape sequences would drive the terminal.
  TempFolder folder;
  SampleDownload download;
  download.partFileNameTag = false;
  download.extraTags = {SampleTextTag("\x12", "\x1b]0;owned\x07.part")};
  std::string error;
  ASSERT_TRUE(WriteSampleDownload(folder.path(), download, &error)) << error;
  ProcessResult run = RunTool(folder.path(), {"001.part.met", "--check"});
  EXPECT_TRUE(Contains(run.output, "The name tag names '\\x1b]0;owned\\x07.part', but the clients"))
      << run.output;
  EXPECT_FALSE(Contains(run.output, "\x1b")) << run.output;
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
                                        std::to_string(kErrorBusy) +
                                        ")\n'001.part' is held open by another program; close "
                                        "the client first.\n");
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
                                      // Inside one block, which the file keeps.
                                      "Cleaned space in '001.part': 0 bytes\n"
                                      "Written over with zeros in '001.part': 1000 bytes, whose "
                                      "space the file system keeps\n")))
      << damaged.output;
  std::string expected = content;
  std::fill(expected.begin() + 1000, expected.begin() + 2000, '\0');
  EXPECT_EQ(expected, ReadFileBytes(folder.Path("001.part")));
}

// The clients read only gap tags named with an index; one-byte ones beside
// them are tags a client kept unknown from an older file, over bytes long
// downloaded since. Alone, one-byte tags are what a file has for gaps.
TEST(ListingE2eTest, OneByteGapTagsBesideIndexedOnesAreNoGaps) {
  const uint64_t P = kSamplePartSize;
  const std::string stale =
      "2 gap tags without an index were passed over: the clients read only the indexed ones, "
      "which are this file's gaps.\n";
  for (bool indexedToo : {true, false}) {
    SCOPED_TRACE(indexedToo ? "beside indexed tags" : "alone");
    TempFolder folder;
    SampleDownload download;
    download.gaps = indexedToo ? std::vector<SampleGap>{{3 * P, 3 * P + 1000}} : std::vector<SampleGap>{};
    download.gapContent = SampleGapContent::Data;
    download.extraTags = {SampleNumberTag("\x09", P), SampleNumberTag("\x0A", P + 5000)};
    std::string error;
    ASSERT_TRUE(WriteSampleDownload(folder.path(), download, &error)) << error;
    const std::string data = ReadFileBytes(folder.Path("001.part"));
    ProcessResult listing = RunTool(folder.path(), {"001.part.met"});
    EXPECT_EQ(0, listing.exitCode) << listing.output;
    EXPECT_EQ(indexedToo, Contains(listing.output, Lines(stale))) << listing.output;
    const std::string after = ReadFileBytes(folder.Path("001.part"));
    EXPECT_EQ(indexedToo ? data.substr(P, 5000) : std::string(5000, '\0'), after.substr(P, 5000));

    // Either rewrite drops them; a rebuild writes the gaps the clients' way.
    // Part 3 is damaged: in the indexed gap it is not judged, outside any gap
    // it becomes one; part 1, complete, leaves the one-byte gap.
    download.partHashes = true;
    download.corruptParts = {3};
    for (const char* mode : {"--rebuild", "--complete"}) {
      ASSERT_TRUE(WriteSampleDownload(folder.path(), download, &error)) << error;
      ProcessResult rewrite = RunTool(folder.path(), {"001.part.met", mode});
      EXPECT_EQ(0, rewrite.exitCode) << mode << "\n" << rewrite.output;
      DecodedMet met = DecodeMet(ReadFileBytes(folder.Path("001.part.met")));
      for (const DecodedTag& tag : met.tags)
        EXPECT_FALSE(tag.name == "\x09" || tag.name == "\x0A") << mode;
      const ClientGapList rebuilt =
          indexedToo ? ClientGapList{{3 * P, 3 * P + 1000}} : ClientGapList{{3 * P, 30000000}};
      EXPECT_EQ(std::string(mode) == "--rebuild" ? rebuilt : ClientGapList{}, ClientGaps(met)) << mode;
    }
  }
}

// After a crash the client's data file holds parts its metadata file still
// lists as gaps: the client finds them by their hashes, and so does the
// listing, which must not give them back.
TEST(ListingE2eTest, APartWhoseBytesHashRightIsKept) {
  const uint64_t P = kSamplePartSize;
  const struct {
    const char* what;
    uint64_t size;
    std::vector<SampleGap> gaps;
    SampleGapContent content;
    std::vector<uint32_t> corrupt;
    // What the data file holds afterwards: [start, end) zeroed, the rest as it was.
    std::vector<SampleGap> zeroed;
    unsigned kept;
  } rows[] = {
      {"part 1 sound, part 2 damaged, in one gap", 3 * P + 1000, {{P, 3 * P}},
       SampleGapContent::Data, {2}, {{2 * P, 3 * P}}, 1},
      {"a download of one part, judged by its file hash", 5000000, {{1000, 2000000}},
       SampleGapContent::Data, {}, {}, 1},
      {"a gap of holes: nothing to keep, nothing hashed", 3 * P + 1000, {{P, 3 * P}},
       SampleGapContent::Holes, {}, {{P, 3 * P}}, 0},
  };
  for (const auto& row : rows) {
    for (const char* route : {"", "--nosparse"}) {
      SCOPED_TRACE(std::string(row.what) + " " + route);
      TempFolder folder;
      SampleDownload download;
      download.fileSize = row.size;
      download.gaps = row.gaps;
      download.gapContent = row.content;
      download.corruptParts = row.corrupt;
      download.partHashes = true;
      std::string error;
      ASSERT_TRUE(WriteSampleDownload(folder.path(), download, &error)) << error;
      std::string expected = ReadFileBytes(folder.Path("001.part"));
      for (const SampleGap& range : row.zeroed)
        std::fill(expected.begin() + range.start, expected.begin() + range.end, '\0');
      ProcessResult run = RunTool(folder.path(), {"001.part.met", route, "--json"});
      EXPECT_EQ(0, run.exitCode) << run.output;
      EXPECT_TRUE(expected == ReadFileBytes(folder.Path("001.part")));
      const bool keeps = row.kept != 0;
      EXPECT_EQ(keeps, Contains(run.output, "complete, found inside a gap: kept")) << run.output;
      EXPECT_EQ(keeps, Contains(run.output, "1 parts whose bytes hash right were kept")) << run.output;
      // Holes are never hashed: the report holds no part.
      EXPECT_EQ(row.content == SampleGapContent::Holes, !Contains(run.output, "\"parts\":"))
          << run.output;
    }
  }
}

}  // namespace

