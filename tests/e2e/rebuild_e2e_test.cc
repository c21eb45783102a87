// "--rebuild" seen from outside: the check of every part, the gaps it writes
// for corrupt ones, and what happens when the data file cannot be read.
#include <gtest/gtest.h>

#include <cstdio>

#include "hash/aich_hash_set.h"
#include "platform/path.h"
#include "sample/sample_download.h"
#include "tests/e2e/e2e_support.h"
#include "tests/support/met_decoder.h"
#include "tests/support/platform_traits.h"
#include "tests/support/temp_folder.h"

namespace {

struct Download {
  TempFolder folder;
  SampleDownload sample;
  std::string old;

  Download(std::vector<uint32_t> corrupt, bool nameTag = true) {
    sample.partHashes = true;
    sample.corruptParts = corrupt;
    sample.gaps = {};
    sample.partFileNameTag = nameTag;
    std::string error;
    EXPECT_TRUE(WriteSampleDownload(folder.path(), sample, &error)) << error;
    old = ReadFileBytes(folder.Path("001.part.met"));
  }
};

TEST(RebuildE2eTest, CorruptNeighboursBecomeOneGapTheClientsCanRead) {
  Download download({1, 2});
  // Run from another folder: the data file is found beside the metadata file.
  TempFolder elsewhere;
  ProcessResult run = RunTool(elsewhere.path(), {download.folder.Path("001.part.met"), "--rebuild"});
  EXPECT_EQ(0, run.exitCode) << run.output;
  EXPECT_NE(std::string::npos,
            run.output.find(Lines("Hashed Part Count: 4\nHash Id for Part 0: ")));
  EXPECT_NE(std::string::npos, run.output.find(Lines("Calculating hashs ...\nCalculated Hash 000: ")));
  EXPECT_NE(std::string::npos, run.output.find(Lines(" [ ]\nCalculated Hash 003: ")));
  const std::string tail = Lines(
      "Part 1 is corrupt, New Gap 947000 .. 128e000 was added\n"
      "Part 2 is corrupt, Gap 0 was expanded to 947000 .. 1bd5000\n"
      "Tag Count : 12\n") + Lines(GapBarLine(25, 75));
  ASSERT_GE(run.output.size(), tail.size());
  EXPECT_EQ(tail, run.output.substr(run.output.size() - tail.size()));

  DecodedMet before = DecodeMet(download.old);
  DecodedMet after = DecodeMet(ReadFileBytes(download.folder.Path("001.part.met")));
  ASSERT_TRUE(after.ok);
  EXPECT_EQ(before.tagCount + 3, after.tagCount);
  EXPECT_EQ(before.head, after.head);
  EXPECT_EQ((ClientGapList{{9728000, 29184000}}), ClientGaps(after));
  EXPECT_EQ("\x09" "0", after.tags[after.tags.size() - 2].name);
  // The corrupt parts are listed for the client's recovery, as it lists them.
  const DecodedTag& listed = after.tags[after.tags.size() - 3];
  EXPECT_EQ("\x24", listed.name);
  EXPECT_EQ(0x02, listed.type);
  EXPECT_EQ("1,2", listed.text);
  EXPECT_EQ(download.old, ReadFileBytes(download.folder.Path("001.part.met.old")));
}

TEST(RebuildE2eTest, ARebuildThatChangesNothingWritesNothing) {
  Download download({});
  ProcessResult run = RunTool(download.folder.path(), {"001.part.met", "--rebuild"});
  EXPECT_EQ(0, run.exitCode);
  EXPECT_TRUE(EndsWith(run.output, Lines(" [x] \nNo part is corrupt and no gap changes: "
                                         "'001.part.met' is unchanged.\n")))
      << run.output;
  EXPECT_EQ(download.old, ReadFileBytes(download.folder.Path("001.part.met")));
  EXPECT_EQ("001.part 001.part.met", ListFolder(download.folder.path()));
}

TEST(RebuildE2eTest, AClientFileWithoutANameTagFindsItsDataFile) {
  Download download({3}, /*nameTag=*/false);
  ProcessResult run = RunTool(download.folder.path(), {"001.part.met", "--rebuild"});
  EXPECT_EQ(0, run.exitCode) << run.output;
  EXPECT_NE(std::string::npos,
            run.output.find(Lines("Part 3 is corrupt, New Gap 1bd5000 .. 1c9c380 was added\n")));
}

TEST(RebuildE2eTest, NothingIsRewrittenWhenNothingCouldBeChecked) {
  Download download({1});
  std::remove(download.folder.Path("001.part").c_str());
  ProcessResult run = RunTool(download.folder.path(), {"001.part.met", "--rebuild"});
  EXPECT_EQ(1, run.exitCode);
  const std::string tail = Lines(
      "Error: Can't open partfile 001.part\n"
      "Error: '001.part.met' was not rewritten, it is unchanged.\n");
  ASSERT_GE(run.output.size(), tail.size());
  EXPECT_EQ(tail, run.output.substr(run.output.size() - tail.size()));
  EXPECT_EQ("001.part.met", ListFolder(download.folder.path()));
  EXPECT_EQ(download.old, ReadFileBytes(download.folder.Path("001.part.met")));
}

// A download judged by /rebuild or --check, as a row of the table below.
struct Judged {
  const char* what;
  uint64_t size = 30000000;
  std::vector<uint32_t> corrupt;
  std::vector<SampleGap> gaps;
  SampleGapContent content = SampleGapContent::Holes;
  bool partHashes = true;
  /// The corrupted-parts list the file holds, if any.
  const char* listed = nullptr;
  /// The data file cut or grown (with other bytes) to this length; 0 keeps it.
  uint64_t dataLength = 0;
  /// One byte of stored part hash 1 flipped.
  bool damagedList = false;
  const char* mode = "--rebuild";
  int exitCode = 0;
  std::vector<std::string> said;
  /// The gaps and the corrupted-parts list of the new file; no new file
  /// (and no backup) when `rewritten` is false.
  bool rewritten = false;
  ClientGapList gapsAfter{};
  std::string listedAfter{};
  /// eMule's AICH set of the content: 1 with part 2's hash replaced (the set
  /// still whole: root and 0x27 made anew), 2 with a part hash flipped.
  bool aich = false;
  int aichDamage = 0;
};

const Judged kJudged[] = {
    {"a damaged part-hash list judges nothing", 30000000, {1}, {}, {}, true, nullptr, 0, true,
     "--rebuild", 1,
     {"Hash Id for Part 3: ae8d725482e4da37deed907c0565fa53\n"
      "Error: the stored part hashes do not match the file hash: no part is judged.\n"}},
    {"a longer data file: its extra bytes are no part of the download", 25000000, {}, {}, {},
     true, nullptr, 28000000, false, "--rebuild", 0,
     {"'001.part' is 28000000 bytes, longer than the download's 25000000: the bytes past its "
      "size are not part of it and are left as they are.\nCalculating hashs ...\n",
      " [x] \nNo part is corrupt and no gap changes: '001.part.met' is unchanged.\n"}},
    {"a shorter data file: its missing bytes are a gap, its cut parts incomplete", 25000000, {},
     {}, {}, true, nullptr, 15000000, false, "--rebuild", 0,
     {"'001.part' is 15000000 bytes, shorter than the download's 25000000: the bytes after its "
      "end are missing, and the parts they cut are not downloaded whole.\n",
      " [-] incomplete, not checked\nCalculated Hash 002: ",
      "The missing bytes: New Gap e4e1c0 .. 17d7840 was added\nTag Count : 11\n"},
     true, {{15000000, 25000000}}, ""},
    {"a sound download of one part", 5000000, {}, {}, {}, true, nullptr, 0, false, "--rebuild", 0,
     {"Calculating hashs ...\nCalculated Hash 000: ", " [x] \nNo part is corrupt"}},
    {"a corrupt download of one part", 5000000, {0}, {}, {}, true, nullptr, 0, false, "--rebuild",
     0, {" [ ]\nPart 0 is corrupt, New Gap 0 .. 4c4b40 was added\n"}, true, {{0, 5000000}}, "0"},
    {"no part hashes yet", 30000000, {1}, {}, {}, false, nullptr, 0, false, "--rebuild", 0,
     {"Hashed Part Count: 0\nThe client has no part hashes for this download yet: its parts "
      "cannot be judged until it has them.\n"}},
    {"an exact multiple: the last part hash is of no bytes", 19456000, {1}, {}, {}, true,
     nullptr, 0, false, "--rebuild", 0,
     {"Calculated Hash 002: 31d6cfe0d16ae931b73c59d7e0c089c0 [x] \n"
      "Part 1 is corrupt, New Gap 947000 .. 128e000 was added\n"},
     true, {{9728000, 19456000}}, "1"},
    {"the corrupted-parts list: sound parts leave it, incomplete ones stay", 30000000, {1},
     {{19456100, 19456200}}, {}, true, "0,2", 0, false, "--rebuild", 0,
     {"Part 1 is corrupt, New Gap 947000 .. 128e000 was added\n"}, true,
     {{19456100, 19456200}, {9728000, 19456000}}, "1,2"},
    {"a complete part inside a gap leaves it", 30000000, {}, {{9728100, 9728200}},
     SampleGapContent::Data, true, nullptr, 0, false, "--rebuild", 0,
     {" [x] complete, found inside a gap\nCalculated Hash 002: ", "Tag Count : 9\n"}, true, {},
     ""},
    {"a part never downloaded stays in its gap", 30000000, {}, {{9728100, 9728200}},
     SampleGapContent::Zeros, true, nullptr, 0, false, "--rebuild", 0,
     {" [-] incomplete, not checked\nCalculated Hash 002: ", "is unchanged.\n"}},
    {"--check of a corrupt part writes nothing", 30000000, {1}, {}, {}, true, nullptr, 0, false,
     "--check", 1, {" [ ]\nCalculated Hash 002: ", " [x] \nParts: 3 sound, 1 corrupt (1)\n"}},
    {"--check of a sound download", 30000000, {}, {{9728100, 9728200}}, {}, true, nullptr, 0,
     false, "--check", 0, {"Parts: 3 sound, 0 corrupt, 1 not judged (not downloaded whole)\n"}},
    {"--check of a damaged list", 30000000, {}, {}, {}, true, nullptr, 0, true, "--check", 1,
     {"no part is judged.\nParts: none judged (the part hashes are not trustworthy)\n"}},
    {"an AICH set judges beside MD4", 30000000, {1}, {}, {}, true, nullptr, 0, false, "--rebuild",
     0, {" [x] MD4 and AICH agree\n", " [ ] MD4 and AICH differ\n"}, true, {{9728000, 19456000}},
     "1", true},
    {"a wrong AICH part hash makes a part corrupt", 30000000, {}, {}, {}, true, nullptr, 0, false,
     "--rebuild", 0, {" [ ] MD4 agrees, AICH differs\nCalculated Hash 003: ", "Part 2 is corrupt"},
     true, {{19456000, 29184000}}, "2", true, 1},
    {"a damaged MD4 list leaves the AICH set to judge alone", 30000000, {1}, {}, {}, true, nullptr,
     0, true, "--rebuild", 0,
     {"The stored part hashes cannot judge (they do not match the file hash): the parts are "
      "judged by their AICH hashes alone.\n",
      " [ ] AICH differs\n", " [x] AICH agrees\n"},
     true, {{9728000, 19456000}}, "1", true},
    {"a damaged AICH set is said to be so and ignored", 30000000, {}, {}, {}, true, nullptr, 0,
     false, "--rebuild", 0,
     {"The AICH hash set has part hashes that do not make its root: it is ignored.\n",
      " [x] \nNo part is corrupt"},
     false, {}, "", true, 2},
    {"--check counts the parts each hash judged", 30000000, {1}, {}, {}, true, nullptr, 0, false,
     "--check", 1, {"Parts: 3 sound, 1 corrupt (1); judged by MD4 4, by AICH 4\n"}, false, {}, "",
     true},
    {"/complete keeps the AICH tags", 30000000, {}, {{100, 200}}, {}, true, nullptr, 0, false,
     "--complete", 0, {"Tag Count : 11\n"}, true, {}, "", true},
};

// The bytes of the tag named `id` in string form in `met`, from its type on.
size_t TagAt(const std::string& met, char type, char id) {
  return met.find(std::string{type, '\x01', '\0', id});
}

// Spoils eMule's AICH set in the metadata file: `damage` 1 gives part 2
// another hash and the set a root that matches (a whole set, one part wrong),
// 2 flips a byte of part 0's hash (no root matches).
void SpoilAichSet(std::string& met, uint64_t size, int damage) {
  const size_t blob = TagAt(met, '\x07', '\x35') + 4 + 4;
  const size_t parts = blob + 22;
  if (damage == 2) {
    met[parts] ^= 1;
    return;
  }
  std::vector<AichHash> hashes(AichPartCount(size));
  for (size_t i = 0; i < hashes.size(); ++i)
    std::copy_n(met.begin() + parts + 20 * i, 20, hashes[i].begin());
  hashes[2][0] ^= 1;
  met[parts + 40] ^= 1;
  AichHash root{};
  ASSERT_TRUE(AichRootOfParts(size, hashes, &root));
  std::copy(root.begin(), root.end(), met.begin() + blob);
  const std::string text = AichHashToBase32(root);
  std::copy(text.begin(), text.end(), met.begin() + TagAt(met, '\x02', '\x27') + 4 + 2);
}

TEST(RebuildE2eTest, PartsAreJudgedAsTheClientsJudgeThem) {
  for (const Judged& row : kJudged) {
    SCOPED_TRACE(row.what);
    TempFolder folder;
    SampleDownload sample;
    sample.fileSize = row.size;
    sample.corruptParts = row.corrupt;
    sample.gaps = row.gaps;
    sample.gapContent = row.content;
    sample.partHashes = row.partHashes;
    if (row.listed) sample.extraTags.push_back(SampleTextTag("\x24", row.listed));
    sample.aichHashes = row.aich;
    std::string error;
    ASSERT_TRUE(WriteSampleDownload(folder.path(), sample, &error)) << error;
    std::string met = ReadFileBytes(folder.Path("001.part.met"));
    if (row.damagedList) met[23 + 16] ^= 1;
    if (row.aichDamage) SpoilAichSet(met, row.size, row.aichDamage);
    ASSERT_TRUE(WriteFileBytes(folder.Path("001.part.met"), met));
    std::string data = ReadFileBytes(folder.Path("001.part"));
    if (row.dataLength) data.resize(row.dataLength, 'j');
    ASSERT_TRUE(WriteFileBytes(folder.Path("001.part"), data));

    ProcessResult run = RunTool(folder.path(), {"001.part.met", row.mode});
    EXPECT_EQ(row.exitCode, run.exitCode) << run.output;
    for (const std::string& said : row.said)
      EXPECT_NE(std::string::npos, run.output.find(Lines(said))) << said << "\n" << run.output;
    EXPECT_EQ(data, ReadFileBytes(folder.Path("001.part")));
    if (!row.rewritten) {
      EXPECT_EQ(met, ReadFileBytes(folder.Path("001.part.met")));
      EXPECT_EQ("001.part 001.part.met", ListFolder(folder.path()));
      continue;
    }
    DecodedMet after = DecodeMet(ReadFileBytes(folder.Path("001.part.met")));
    ASSERT_TRUE(after.ok);
    EXPECT_EQ(row.gapsAfter, ClientGaps(after));
    std::string listed;
    for (const DecodedTag& tag : after.tags)
      if (tag.name == "\x24") listed = tag.text;
    EXPECT_EQ(row.listedAfter, listed);
    // eMule's AICH tags come through every rewrite byte for byte.
    for (const DecodedTag& tag : DecodeMet(met).tags) {
      if (tag.name != "\x27" && tag.name != "\x35") continue;
      size_t kept = 0;
      for (const DecodedTag& copy : after.tags) kept += copy.name == tag.name && copy.raw == tag.raw;
      EXPECT_EQ(1u, kept) << "tag " << int(tag.name[0]);
    }
  }
}

TEST(RebuildE2eTest, TheListingKeepsTheBytesOfAListedPart) {
  // The client found part 1 corrupt: it mends it from these bytes.
  for (const std::string route : {"", "--nosparse"}) {
    TempFolder folder;
    SampleDownload sample;
    sample.gaps = {{9728000, 19456000}, {29000000, 29100000}};
    sample.gapContent = SampleGapContent::Data;
    sample.extraTags.push_back(SampleTextTag("\x24", "1"));
    std::string error;
    ASSERT_TRUE(WriteSampleDownload(folder.path(), sample, &error)) << error;
    const std::string before = ReadFileBytes(folder.Path("001.part"));
    std::vector<std::string> args{"001.part.met"};
    if (!route.empty()) args.push_back(route);
    ProcessResult run = RunTool(folder.path(), args);
    EXPECT_EQ(0, run.exitCode) << run.output;
    EXPECT_NE(std::string::npos,
              run.output.find(Lines("\t9.27 MB ... 18.5 MB (9.27 MB) ... kept for the client's "
                                    "recovery\n")))
        << run.output;
    // The second gap's whole blocks are released, or all of it zero-filled.
    const bool released = route.empty() && FileSystemReleasesRanges(folder.path());
    EXPECT_NE(std::string::npos, run.output.find(released ? "Cleaned space in '001.part': 92.0 KB"
                                                          : "Written over with zeros in '001.part': 97.6 KB"))
        << run.output;
    const std::string after = ReadFileBytes(folder.Path("001.part"));
    EXPECT_EQ(before.substr(0, 29000000), after.substr(0, 29000000)) << route;
    EXPECT_EQ(std::string(100000, '\0'), after.substr(29000000, 100000)) << route;
  }
}

}  // namespace
