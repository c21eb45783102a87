// Ordinary mistakes seen from outside: a backup given for the metadata
// file, names and links that lead to the wrong file, a script's pipe, a
// second run, a rewrite too large to load again, a client that still runs.
// None of them may cost a downloaded byte or a metadata file.
#include <gtest/gtest.h>

#include <filesystem>

#include <algorithm>
#include <cstdio>

#include "platform/console.h"
#include "platform/disk.h"
#include "sample/file_time.h"
#include "sample/sample_download.h"
#include "tests/e2e/e2e_support.h"
#include "tests/support/byte_text.h"
#include "tests/support/error_codes.h"
#include "tests/support/met_decoder.h"
#include "tests/support/platform_traits.h"
#include "tests/support/small_download.h"
#include "tests/support/temp_folder.h"

namespace {

constexpr uint64_t P = kSamplePartSize;

std::string Text(const std::string& text) {
  return std::string{char(text.size() & 0xFF), char(text.size() >> 8)} + text;
}

// The sample's data file with [start, end) zeroed.
std::string Zeroed(std::string content, uint64_t start, uint64_t end) {
  std::fill(content.begin() + start, content.begin() + end, '\0');
  return content;
}

TEST(SafetyE2eTest, ABackupGivenAsThePathStandsForTheSameDownloadButClearsNothing) {
  TempFolder folder;
  // Bytes in the gap: a backup is older than the data, and what its gaps
  // cover may have been downloaded since.
  ASSERT_TRUE(WriteSmallDownload(folder.path(), {{1000, 2000}}, SampleGapContent::Data));
  const std::string met = ReadFileBytes(folder.Path("001.part.met"));
  const std::string data = ReadFileBytes(folder.Path("001.part"));
  for (const char* suffix : {".old", ".bak", ".000", ".OLD", ".backup"}) {
    SCOPED_TRACE(suffix);
    const std::string backup = std::string("001.part.met") + suffix;
    ASSERT_TRUE(WriteFileBytes(folder.Path(backup), met));
    ProcessResult run = RunTool(folder.path(), {backup});
    EXPECT_EQ(1, run.exitCode) << run.output;
    EXPECT_EQ(Lines("Error: '" + backup + "' is a backup, its gaps are not cleared: '001.part' "
                    "may hold data downloaded since; give the metadata file '001.part.met'.\n"),
              run.output);
    ProcessResult check = RunTool(folder.path(), {backup, "--check"});
    EXPECT_TRUE(Contains(check.output, Lines("Parts: "))) << check.output;
    EXPECT_EQ(met, ReadFileBytes(folder.Path("001.part.met")));
    EXPECT_EQ(met, ReadFileBytes(folder.Path(backup)));
    EXPECT_TRUE(data == ReadFileBytes(folder.Path("001.part")));
    std::remove(folder.Path(backup).c_str());
  }
  // The metadata file itself still clears the same gap.
  ProcessResult run = RunTool(folder.path(), {"001.part.met"});
  EXPECT_EQ(0, run.exitCode) << run.output;
  EXPECT_TRUE(Zeroed(data, 1000, 2000) == ReadFileBytes(folder.Path("001.part")));
}

TEST(SafetyE2eTest, NoNameTagOrLinkLeadsTheListingToAMetadataFile) {
  // A name tag for the metadata file itself, one for another download's,
  // and a data file that is a second name of the metadata file.
  struct Case {
    const char* nameTag;
    bool linkData;
  };
  for (Case c : {Case{"001.part.met", false}, Case{"002.part.met", false},
                 Case{"001.part.met.old", false}, Case{nullptr, true}}) {
    SCOPED_TRACE(c.nameTag ? c.nameTag : "hard link");
    TempFolder folder;
    SampleDownload download;
    download.fileSize = 100000;
    download.gaps = {{0, 100000}};
    download.partFileNameTag = false;
    if (c.nameTag) download.extraTags.push_back(SampleTag{0x02, "\x12", Text(c.nameTag)});
    std::string error;
    ASSERT_TRUE(WriteSampleDownload(folder.path(), download, &error)) << error;
    const std::string met = ReadFileBytes(folder.Path("001.part.met"));
    ASSERT_TRUE(WriteFileBytes(folder.Path("002.part.met"), met));
    ASSERT_TRUE(WriteFileBytes(folder.Path("001.part.met.old"), met));
    // A name tag is followed only where no file is named like the metadata file.
    if (c.nameTag || c.linkData) std::remove(folder.Path("001.part").c_str());
    if (c.linkData) {
      ASSERT_EQ(0, SystemDisk().LinkNoReplace(folder.Path("001.part.met"), folder.Path("001.part")));
    }
    const std::string named = c.nameTag ? c.nameTag : "001.part";
    for (const char* mode : {"", "--nosparse"}) {
      ProcessResult run = RunTool(folder.path(), {"001.part.met", mode});
      EXPECT_EQ(1, run.exitCode);
      EXPECT_TRUE(Contains(run.output,
                           Lines("Error: '" + named +
                                 "' is a metadata file or a backup of one, not a data file: it "
                                 "is not touched.\n")))
          << run.output;
    }
    EXPECT_EQ(met, ReadFileBytes(folder.Path("001.part.met")));
    EXPECT_EQ(met, ReadFileBytes(folder.Path("002.part.met")));
    EXPECT_EQ(met, ReadFileBytes(folder.Path("001.part.met.old")));
  }
}

TEST(SafetyE2eTest, AFileNotNamedLikeAMetadataFileIsNeverLoaded) {
  // The data files read as metadata files without tags, which a rewrite
  // would have replaced, and so would it the backups.
  TempFolder folder;
  ASSERT_TRUE(WriteSmallDownload(folder.path(), {{1000, 2000}}));
  const std::string met = ReadFileBytes(folder.Path("001.part.met"));
  const std::string data = std::string("\xE0") + std::string(99999, '\0');
  for (const char* name : {"001.part", "002.part", "download.dat"})
    ASSERT_TRUE(WriteFileBytes(folder.Path(name), data));
  for (const char* name : {"001.part.met.bak", "001.part.met.000", "001.part.met.backup"})
    ASSERT_TRUE(WriteFileBytes(folder.Path(name), met));
  const std::string files = ListFolder(folder.path());
  const std::string given = "' is the data file of a download; give its metadata file '001.part.met'.\n";
  const std::string named = "' is not named like a metadata file (X.part.met) or a backup of one "
                            "(X.part.met.bak), it is not touched.\n";
  const std::string backup = "' is a backup, it is not rewritten; give the metadata file '001.part.met'.\n";
  const std::string older = "' is a backup, its gaps are not cleared: '001.part' may hold data "
                            "downloaded since; give the metadata file '001.part.met'.\n";
  for (const auto& c : std::vector<std::pair<std::vector<std::string>, std::string>>{
           {{"001.part"}, given}, {{"001.part", "--complete"}, given}, {{"001.part", "--rebuild"}, given},
           {{"002.part"}, named}, {{"download.dat", "--nosparse"}, named},
           {{"001.part.met.bak", "--complete"}, backup}, {{"001.part.met.000", "--rebuild"}, backup},
           {{"001.part.met.backup", "--complete"}, backup}, {{"001.part.met.bak"}, older},
           {{"001.part.met.000", "--nosparse"}, older}}) {
    ProcessResult run = RunTool(folder.path(), c.first);  // with no key to wait for
    EXPECT_EQ(1, run.exitCode);
    EXPECT_EQ(Lines("Error: '" + c.first[0] + c.second), run.output);
  }
  EXPECT_EQ(files, ListFolder(folder.path()));
  EXPECT_TRUE(data == ReadFileBytes(folder.Path("001.part")));
  for (const char* name : {"001.part.met", "001.part.met.bak", "001.part.met.000", "001.part.met.backup"})
    EXPECT_EQ(met, ReadFileBytes(folder.Path(name))) << name;
}

TEST(SafetyE2eTest, ARebuildJudgesOnlyCompleteParts) {
  // Five parts: 1 and 3 corrupt, 2 and 3 partly downloaded, 4 the short
  // last part with a gap over its end.
  TempFolder folder;
  SampleDownload download;
  download.fileSize = 4 * P + 1000000;
  download.partHashes = true;
  download.corruptParts = {1, 3};
  download.gaps = {{2 * P + 100, 2 * P + 5000}, {3 * P + 10, 3 * P + 20}, {4 * P + 500000, 4 * P + 1000000}};
  std::string error;
  ASSERT_TRUE(WriteSampleDownload(folder.path(), download, &error)) << error;
  const std::string data = ReadFileBytes(folder.Path("001.part"));
  ProcessResult run = RunTool(folder.path(), {"001.part.met", "--rebuild"});
  EXPECT_EQ(0, run.exitCode) << run.output;
  // Parts 0 and 1 are judged; 2, 3 and 4 are not.
  EXPECT_TRUE(Contains(run.output, Lines(" [x] \nCalculated Hash 001: "))) << run.output;
  EXPECT_TRUE(Contains(run.output, Lines(" [ ]\nCalculated Hash 002: "))) << run.output;
  size_t unjudged = 0;
  for (size_t at = run.output.find(" [-] incomplete, not checked"); at != std::string::npos;
       at = run.output.find(" [-] incomplete, not checked", at + 1))
    ++unjudged;
  EXPECT_EQ(3u, unjudged) << run.output;
  EXPECT_TRUE(Contains(run.output, Lines("Part 1 is corrupt, New Gap 947000 .. 128e000 was added\n")))
      << run.output;
  EXPECT_FALSE(Contains(run.output, "Part 3 is corrupt"));
  EXPECT_FALSE(Contains(run.output, "Part 2 is corrupt"));
  DecodedMet rebuilt = DecodeMet(ReadFileBytes(folder.Path("001.part.met")));
  ASSERT_TRUE(rebuilt.ok);
  EXPECT_EQ((ClientGapList{{2 * P + 100, 2 * P + 5000},
                           {3 * P + 10, 3 * P + 20},
                           {4 * P + 500000, 4 * P + 1000000},
                           {P, 2 * P}}),
            ClientGaps(rebuilt));
  EXPECT_TRUE(data == ReadFileBytes(folder.Path("001.part")));
}

TEST(SafetyE2eTest, TheKeyWaitNeitherReadsNorWaitsForAPipe) {
  TempFolder folder;
  // The pipe stays open with input in it: a wait for a key would hang, or
  // take a byte that belongs to the script.
  ChildOptions options;
  options.folder = folder.path();
  options.input = "next.part.met\n";
  options.holdInputOpen = true;
  options.timeLimitMicroseconds = 30000000;
  ProcessResult run = RunProcess({PARTSWEEP_BINARY, "missing.part.met"}, options);
  EXPECT_FALSE(run.killed);
  EXPECT_EQ(1, run.exitCode);
  EXPECT_EQ(Lines("Error opening 'missing.part.met' (Error " + std::to_string(kErrorNotFound) +
                  ")\n"),
            run.output);
}

TEST(SafetyE2eTest, NothingPastTheDownloadsSizeIsCleared) {
  // A data file longer than the download, and a gap that reaches past the
  // size: the bytes past it are no part of the download.
  TempFolder folder;
  SampleDownload download;
  download.fileSize = 19461000;
  download.gaps = {};
  download.extraTags = {SampleNumberTag("\x09" "0", 19461000 - 100),
                        SampleNumberTag("\x0A" "0", 19461000 + 3000000)};
  download.gapContent = SampleGapContent::Data;
  std::string error;
  ASSERT_TRUE(WriteSampleDownload(folder.path(), download, &error)) << error;
  const std::string tail(4000000, 't');
  const std::string data = ReadFileBytes(folder.Path("001.part")) + tail;
  ASSERT_TRUE(WriteFileBytes(folder.Path("001.part"), data));
  for (const char* mode : {"", "--nosparse"}) {
    SCOPED_TRACE(mode);
    ProcessResult run = RunTool(folder.path(), {"001.part.met", mode});
    EXPECT_EQ(0, run.exitCode) << run.output;
    EXPECT_TRUE(Contains(run.output, Lines("\t18.5 MB ... 18.5 MB (100 bytes) ... "))) << run.output;
    const std::string after = ReadFileBytes(folder.Path("001.part"));
    EXPECT_EQ(std::string(100, '\0'), after.substr(19461000 - 100, 100));
    EXPECT_TRUE(tail == after.substr(19461000)) << "bytes past the size were cleared";
  }
  // A rebuild writes the gap as the clients read it: up to the size. Part 2,
  // which holds it, is damaged, so that the gap stays.
  download.partHashes = true;
  download.corruptParts = {2};
  ASSERT_TRUE(WriteSampleDownload(folder.path(), download, &error)) << error;
  ProcessResult rebuild = RunTool(folder.path(), {"001.part.met", "--rebuild"});
  EXPECT_EQ((ClientGapList{{19461000 - 100, 19461000}}),
            ClientGaps(DecodeMet(ReadFileBytes(folder.Path("001.part.met")))))
      << rebuild.output;
}

TEST(SafetyE2eTest, ADataFileWithAnotherNameIsNotCleared) {
  // A hard link: another download's data file, which would lose its bytes.
  TempFolder folder;
  ASSERT_TRUE(WriteSmallDownload(folder.path(), {{1000, 2000}}, SampleGapContent::Data));
  std::error_code linked;
  std::filesystem::create_hard_link(std::filesystem::u8path(folder.Path("001.part")),
                                    std::filesystem::u8path(folder.Path("002.part")), linked);
  if (linked) GTEST_SKIP() << "this file system has no hard links: " << linked.message();
  const std::string data = ReadFileBytes(folder.Path("001.part"));
  ProcessResult run = RunTool(folder.path(), {"001.part.met"});
  EXPECT_EQ(1, run.exitCode);
  EXPECT_TRUE(EndsWith(run.output, Lines("Error: '001.part' has 2 names (hard links): it may be "
                                         "another download's data file too, so its gaps are not "
                                         "cleared.\n")))
      << run.output;
  EXPECT_EQ(data, ReadFileBytes(folder.Path("002.part")));
}

TEST(SafetyE2eTest, ASecondListingReportsNothingCleared) {
  for (const char* mode : {"", "--nosparse"}) {
    SCOPED_TRACE(mode);
    TempFolder folder;
    // Bytes in the gaps for the first listing to clear.
    ASSERT_TRUE(WriteSmallDownload(folder.path(), {{1000, 2000}, {50000, 90000}},
                                   SampleGapContent::Data));
    ProcessResult first = RunTool(folder.path(), {"001.part.met", mode});
    EXPECT_EQ(0, first.exitCode);
    // Released: the whole 4 KiB blocks of the second gap, 53,248 to 86,016;
    // the rest zeroed in the blocks kept, or everything on the zero fill.
    const bool released = *mode == '\0' && FileSystemReleasesRanges(folder.path());
    EXPECT_TRUE(Contains(first.output,
                         Lines(released ? "Cleaned space in '001.part': 32.0 KB\nWritten over with "
                                          "zeros in '001.part': 8.03 KB, whose space the file "
                                          "system keeps\n"
                                        : "Cleaned space in '001.part': 0 bytes\nWritten over with "
                                          "zeros in '001.part': 40.0 KB, whose space the file "
                                          "system keeps\n")))
        << first.output;
    const std::string cleared = ReadFileBytes(folder.Path("001.part"));
    ProcessResult second = RunTool(folder.path(), {"001.part.met", mode});
    EXPECT_EQ(0, second.exitCode);
    EXPECT_TRUE(EndsWith(second.output, Lines("Cleaned space in '001.part': 0 bytes\n")))
        << second.output;
    EXPECT_TRUE(cleared == ReadFileBytes(folder.Path("001.part")));
  }
}

TEST(SafetyE2eTest, AListingKeepsTheDataFilesTimes) {
  // A client that finds its data file with another time than it noted
  // hashes every part again: hours of disk work for a large download.
  for (const char* mode : {"", "--nosparse"}) {
    SCOPED_TRACE(mode);
    TempFolder folder;
    ASSERT_TRUE(WriteSmallDownload(folder.path(), {{1000, 2000}, {50000, 90000}},
                                   SampleGapContent::Data));
    // Read first: reading the file may itself move its access time.
    const std::string data = ReadFileBytes(folder.Path("001.part"));
    const auto before = AccessAndModificationTimes(folder.Path("001.part"));
    ASSERT_TRUE(before);
    ProcessResult run = RunTool(folder.path(), {"001.part.met", mode});
    EXPECT_EQ(0, run.exitCode);
    EXPECT_EQ(before, AccessAndModificationTimes(folder.Path("001.part")));
    EXPECT_NE(data, ReadFileBytes(folder.Path("001.part")));  // it did clear
  }
}

TEST(SafetyE2eTest, AZeroFillOverHolesAllocatesNothing) {
  if (!FileSystemReleasesRanges(TempFolder().path()))
    GTEST_SKIP() << "this file system has no holes (wine)";
  // A sparse download as a client preallocates it: its gaps are holes.
  TempFolder folder;
  SampleDownload download;
  download.fileSize = 20000000;
  download.gaps = {{1048576, 5242880}, {10485760, 20000000}};
  download.dataRegions = {{0, 1048576}, {5242880, 10485760}};
  std::string error;
  ASSERT_TRUE(WriteSampleDownload(folder.path(), download, &error)) << error;
  const uint64_t allocated = AllocatedBytes(folder.Path("001.part"));
  ProcessResult run = RunTool(folder.path(), {"001.part.met", "--nosparse"});
  EXPECT_EQ(0, run.exitCode);
  EXPECT_TRUE(Contains(run.output, Lines("Cleaned space in '001.part': 0 bytes\n"))) << run.output;
  EXPECT_EQ(allocated, AllocatedBytes(folder.Path("001.part")));
}

TEST(SafetyE2eTest, ARewriteThatCouldNotBeLoadedAgainIsRefused) {
  // Two parts, part 0 corrupt: the rebuild adds a gap of two tags, 18
  // bytes, and the corrupted-parts list "0", 7 bytes, to a file 10 bytes
  // below the limit.
  TempFolder folder;
  SampleDownload download;
  download.fileSize = 10000000;
  download.partHashes = true;
  download.corruptParts = {0};
  download.extraTags.push_back(SampleTag{0x07, "filler", std::string(4, '\0')});
  auto fill = [&](uint32_t size) {
    std::string& value = download.extraTags[0].value;
    value = U32(size) + std::string(size, 'f');
  };
  fill(1000);
  std::string error;
  ASSERT_TRUE(WriteSampleDownload(folder.path(), download, &error)) << error;
  const uint64_t withFiller = ReadFileBytes(folder.Path("001.part.met")).size();
  fill(static_cast<uint32_t>(1000 + 5242880 - 10 - withFiller));
  ASSERT_TRUE(WriteSampleDownload(folder.path(), download, &error)) << error;
  const std::string met = ReadFileBytes(folder.Path("001.part.met"));
  ASSERT_EQ(5242870u, met.size());

  ProcessResult run = RunTool(folder.path(), {"001.part.met", "--rebuild"});
  EXPECT_EQ(1, run.exitCode);
  EXPECT_TRUE(Contains(run.output,
                       Lines("Error: the new file would be 5242895 bytes, more than the 5242880 "
                             "bytes partsweep can load\n"
                             "Error: '001.part.met' was not rewritten, it is unchanged.\n")))
      << run.output.substr(run.output.size() - std::min<size_t>(run.output.size(), 300));
  EXPECT_EQ(met, ReadFileBytes(folder.Path("001.part.met")));
  EXPECT_EQ("001.part 001.part.met", ListFolder(folder.path()));
}

TEST(SafetyE2eTest, ARewriteWaitsUntilTheClientHasLetGoOfTheData) {
  TempFolder folder;
  ASSERT_TRUE(WriteSmallDownload(folder.path(), {{1000, 2000}}));
  const std::string met = ReadFileBytes(folder.Path("001.part.met"));
  // To the tool this test is the client, holding its download open.
  OpenResult held = SystemDisk().OpenShared(folder.Path("001.part"));
  ASSERT_TRUE(held.ok());
  for (const char* mode : {"--complete", "--rebuild"}) {
    ProcessResult run = RunTool(folder.path(), {"001.part.met", mode});
    EXPECT_EQ(1, run.exitCode);
    EXPECT_TRUE(Contains(run.output, "Error: '001.part' is held open by another program (Error "))
        << run.output;
    EXPECT_TRUE(Contains(run.output, Lines("Error: '001.part.met' was not rewritten, it is unchanged.\n")));
    EXPECT_EQ(met, ReadFileBytes(folder.Path("001.part.met")));
  }
  EXPECT_EQ("001.part 001.part.met", ListFolder(folder.path()));
  held.file.Close();
  EXPECT_EQ(0, RunTool(folder.path(), {"001.part.met", "--complete"}).exitCode);
}

TEST(SafetyE2eTest, ADeviceIsNoMetadataFile) {
  TempFolder folder;
  ProcessResult run = RunTool(folder.path(), {kNullDevice});
  EXPECT_EQ(1, run.exitCode);
  EXPECT_EQ(Lines(std::string("Error: '") + kNullDevice +
                  "' is not named like a metadata file (X.part.met) or a backup of one "
                  "(X.part.met.bak), it is not touched.\n"),
            run.output);
}

}  // namespace
