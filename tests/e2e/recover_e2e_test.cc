// "--recover" seen from outside: a download whose metadata file is damaged
// or lost, brought back from a backup or built from its ed2k link.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "platform/console.h"
#include "platform/disk.h"
#include "sample/file_time.h"
#include "sample/sample_download.h"
#include "tests/e2e/e2e_support.h"
#include "tests/support/byte_text.h"
#include "tests/support/met_decoder.h"
#include "tests/support/platform_traits.h"
#include "tests/support/temp_folder.h"

namespace {

constexpr uint32_t kStamp = 0x6B163E0C;
constexpr uint64_t P = kSamplePartSize;

// What a file beside the data file holds.
enum class Held { Sound, Newer, Cut, Empty, Other, NearTheBound };

// A download with part 1 fetched since the backup was saved (its bytes are
// there, the backup lists it as a gap) and part 3 damaged since.
SampleDownload Backed(uint32_t seed = 1) {
  SampleDownload sample;
  sample.seed = seed;
  sample.partHashes = true;
  sample.gaps = {{P, 2 * P}};
  sample.gapContent = SampleGapContent::Data;
  sample.corruptParts = {3};
  return sample;
}

std::string WithStamp(std::string met, uint32_t stamp) {
  for (int i = 0; i < 4; ++i) met[1 + i] = static_cast<char>(stamp >> (8 * i));
  return met;
}

uint32_t StampOf(const std::string& met) {
  uint32_t stamp = 0;
  for (int i = 0; i < 4; ++i) stamp |= uint32_t(static_cast<uint8_t>(met[1 + i])) << (8 * i);
  return stamp;
}

struct Recovery {
  const char* what;
  std::vector<std::pair<std::string, Held>> files;
  int exitCode = 0;
  std::vector<std::string> said;
  /// The folder afterwards; 001.part.met then holds the recovered file
  /// unless `unchanged`.
  std::string listing;
  bool unchanged = false;
};

const Recovery kRecoveries[] = {
    {"a truncated file and a sound .bak: newer parts are found by their hashes",
     {{".part.met", Held::Cut}, {".part.met.bak", Held::Sound}}, 0,
     {"'001.part.met': damaged, its tags break off after 2 of 11\n'001.part.met.bak': sound, "
      "file hash ",
      "Taken: '001.part.met.bak', the only sound file.\n",
      "Calculated Hash 001: a1f5513960bad18e5504f558f161d23d [x] complete, found inside a gap\n",
      "Part 3 is corrupt, New Gap 1bd5000 .. 1c9c380 was added\n",
      "Gaps: 1, 816000 of 30000000 bytes missing: 97.3 % complete\n\tGap 0: 29184000 .. "
      "30000000\n",
      "'001.part.met' is recovered from '001.part.met.bak'.\nStart the client"},
     "001.part 001.part.met 001.part.met.bak 001.part.met.old"},
    {"only partsweep's .old is left: the damaged file is kept as .000",
     {{".part.met", Held::Cut}, {".part.met.old", Held::Sound}}, 0,
     {"Taken: '001.part.met.old', the only sound file.\n"},
     "001.part 001.part.met 001.part.met.000 001.part.met.old"},
    {"an empty file", {{".part.met", Held::Empty}, {".part.met.bak", Held::Sound}}, 0,
     {"'001.part.met': damaged, it is empty\n"},
     "001.part 001.part.met 001.part.met.bak 001.part.met.old"},
    {"a missing file", {{".part.met.bak", Held::Sound}}, 0,
     {"'001.part.met': missing\n", "recovered from '001.part.met.bak'"},
     "001.part 001.part.met 001.part.met.bak"},
    {"the newest time stamp wins",
     {{".part.met", Held::Cut}, {".part.met.bak", Held::Sound}, {".part.met.backup", Held::Newer}},
     0,
     {"Taken: '001.part.met.backup', the newest time stamp.\n"
      "Not taken: '001.part.met.bak', an older time stamp.\n"},
     "001.part 001.part.met 001.part.met.backup 001.part.met.bak 001.part.met.old"},
    {"every file damaged: refused", {{".part.met", Held::Cut}, {".part.met.bak", Held::Empty}}, 1,
     {"Error: no sound metadata file is left for '001.part.met'. Give the download's ed2k link "
      "to build one: partsweep --recover 001.part 'ed2k://|file|NAME|SIZE|HASH|/'. Nothing is "
      "changed.\n"},
     "001.part 001.part.met 001.part.met.bak", true},
    {"backups of two downloads are not mixed",
     {{".part.met", Held::Cut}, {".part.met.bak", Held::Sound}, {".part.met.old", Held::Other}}, 1,
     {"are not mixed, nothing is changed.\n"}, "001.part 001.part.met 001.part.met.bak 001.part.met.old",
     true},
    // The backup is 5,242,878 bytes; recovered, with part 3 a gap and on the
    // corrupted-parts list, it would be more than partsweep, or a client,
    // loads again: nothing is written, as for every rewrite.
    {"a recovered file larger than the bound is refused",
     {{".part.met", Held::Cut}, {".part.met.bak", Held::NearTheBound}}, 1,
     {"Error: the new file would be 5242885 bytes, more than the 5242880 bytes partsweep can "
      "load\nError: '001.part.met' was not rewritten, it is unchanged.\n"},
     "001.part 001.part.met 001.part.met.bak", true},
    {"a sound file needs nothing", {{".part.met", Held::Sound}, {".part.met.bak", Held::Cut}}, 0,
     {"'001.part.met' is sound: nothing to recover.\n"}, "001.part 001.part.met 001.part.met.bak",
     true},
};

TEST(RecoverE2eTest, ADamagedOrLostFileIsTakenFromTheBestBackup) {
  for (const Recovery& row : kRecoveries) {
    SCOPED_TRACE(row.what);
    TempFolder folder;
    std::string error;
    ASSERT_TRUE(WriteSampleDownload(folder.path(), Backed(), &error)) << error;
    const std::string sound = ReadFileBytes(folder.Path("001.part.met"));
    const SampleDownload other = Backed(2);
    SampleDownload padded = Backed();
    const std::string blob = std::string(5242878 - sound.size() - 10, 'p');
    padded.extraTags = {SampleTag{0x07, "pad", U32(uint32_t(blob.size())) + blob}};
    const std::string held[] = {WithStamp(sound, kStamp - 1000), WithStamp(sound, kStamp - 500),
                                sound.substr(0, 120), "",
                                EncodeSampleMet(other, SamplePartHashes(other)),
                                EncodeSampleMet(padded, SamplePartHashes(padded))};
    std::remove(folder.Path("001.part.met").c_str());
    for (const auto& file : row.files)
      ASSERT_TRUE(WriteFileBytes(folder.Path("001" + file.first), held[int(file.second)]));
    const std::string metBefore = ReadFileBytes(folder.Path("001.part.met"));
    const std::string data = ReadFileBytes(folder.Path("001.part"));

    ProcessResult run = RunTool(folder.path(), {"--recover", "001.part.met"});
    EXPECT_EQ(row.exitCode, run.exitCode) << run.output;
    for (const std::string& said : row.said)
      EXPECT_NE(std::string::npos, run.output.find(Lines(said))) << said << "\n" << run.output;
    EXPECT_EQ(row.listing, ListFolder(folder.path()));
    EXPECT_EQ(data, ReadFileBytes(folder.Path("001.part")));
    const std::string met = ReadFileBytes(folder.Path("001.part.met"));
    if (row.unchanged) {
      EXPECT_EQ(metBefore, met);
      continue;
    }
    // The damaged file is kept.
    if (row.files[0].first == ".part.met") {
      const char* kept = row.files[1].first == ".part.met.old" ? "001.part.met.000" : "001.part.met.old";
      EXPECT_EQ(metBefore, ReadFileBytes(folder.Path(kept)));
    }
    DecodedMet after = DecodeMet(met);
    ASSERT_TRUE(after.ok);
    EXPECT_EQ((ClientGapList{{29184000, 30000000}}), ClientGaps(after));
    EXPECT_EQ(sound.substr(5, 16 + 2 + 4 * 16), after.head.substr(5));
    // Judged now: the client need not hash it again.
    EXPECT_EQ(kStamp, StampOf(met));
    std::string listed;
    for (const DecodedTag& tag : after.tags)
      if (tag.name == "\x24") listed = tag.text;
    EXPECT_EQ("3", listed);
  }
}

// A download built anew from its link and its data file, as a row.
struct LinkBuild {
  const char* what;
  uint64_t size = 30000000;
  std::vector<SampleGap> dataRegions;
  std::vector<uint32_t> corrupt;
  /// Gaps of the sample: holes in the data file, or zeros written out.
  std::vector<SampleGap> gaps;
  SampleGapContent content = SampleGapContent::Holes;
  /// "p=" with the part hashes; one of them damaged with `badHashes`.
  bool withP = false;
  bool badHashes = false;
  /// The data file cut to this length; 0 keeps it.
  uint64_t dataLength = 0;
  int exitCode = 0;
  std::vector<std::string> said;
  /// What the new file holds; nothing is written when `version` is 0.
  uint8_t version = 0;
  uint16_t partCount = 0;
  ClientGapList gapsAfter;
  std::string listedAfter;
  /// The row needs a file system that keeps holes: without them (wine) a
  /// short hole is a short run of zeros, which is downloaded data.
  bool needsHoles = false;
};

constexpr uint64_t k4GiB = 4294967296;

const LinkBuild kLinkBuilds[] = {
    {"a small download, whole", 5000000, {}, {}, {}, {}, false, false, 0, 0,
     {"Calculated Hash 000: ", " [x] \nGaps: 0, 0 of 5000000 bytes missing: 100.0 % complete\n"},
     0xE0, 0, {}, ""},
    {"a one-part download with holes: a hole is a gap however short", 5000000,
     {{0, 1000000}, {2000000, 2010000}, {2020000, 4000000}}, {}, {}, {}, false, false, 4500000, 0,
     {"'001.part' (4500000 of 5000000 bytes)", "Gaps: 3, 2010000 of 5000000 bytes missing"},
     0xE0, 0, {{1000000, 2000000}, {2010000, 2020000}, {4000000, 5000000}}, "", true},
    {"without p=: long zero runs are gaps, short ones data", 30000000, {}, {},
     {{5000000, 5065535}, {9728000, 9728000 + 65536}}, SampleGapContent::Zeros, false, false,
     25000000, 0, {"The client has no part hashes for this download yet"}, 0xE0, 0,
     {{9728000, 9728000 + 65536}, {25000000, 30000000}}, ""},
    {"with p=: parts that hash right are complete whatever their bytes, corrupt ones are listed",
     30000000, {{0, 100000}, {300000, 30000000}}, {3}, {{P, 2 * P}}, {}, true, false, 0, 0,
     {"The link's 4 part hashes hash to its file hash: they are written.\n",
      " [x] complete, found inside a gap\nCalculated Hash 001: ",
      "Part 3 is corrupt, New Gap 1bd5000 .. 1c9c380 was added\n"},
     0xE0, 4, {{9728000, 19456000}, {29184000, 30000000}}, "3"},
    {"p= that does not hash to the file hash is not written", 30000000, {}, {}, {{P, 2 * P}}, {},
     true, true, 0, 0,
     {"The link's part hashes do not hash to its file hash: none are written, the client fetches "
      "them.\n"},
     0xE0, 0, {{9728000, 19456000}}, ""},
    {"a large sparse download without p=", 5000000000, {{0, 1000000}, {k4GiB - 65536, k4GiB + 65536}},
     {}, {}, {}, false, false, 4800000000, 0, {"Gaps: 2, "}, 0xE2, 0,
     {{1000000, k4GiB - 65536}, {k4GiB + 65536, 5000000000}}, ""},
    {"a large sparse download with p=", 5000000000, {{0, 1000000}, {k4GiB - 65536, k4GiB + 65536}},
     {}, {}, {}, true, false, 4800000000, 0, {"The link's 514 part hashes"}, 0xE2, 514,
     {{4795904000, 5000000000}}, ""},
    {"a data file longer than the size", 20000000, {}, {}, {}, {}, false, false, 30000000, 1,
     {"Error: '001.part' is 30000000 bytes, longer than the 20000000 bytes the link gives: it is "
      "not this download's data file, nothing is written.\n"},
     0, 0, {}, ""},
};

TEST(RecoverE2eTest, AMetadataFileIsBuiltFromTheLinkAndTheDataFile) {
  for (const LinkBuild& row : kLinkBuilds) {
    SCOPED_TRACE(row.what);
    TempFolder folder;
    if (row.needsHoles && !FileSystemReleasesRanges(folder.path())) continue;
    SampleDownload sample;
    sample.fileSize = row.size;
    sample.dataRegions = row.dataRegions;
    sample.corruptParts = row.corrupt;
    sample.gaps = row.gaps;
    sample.gapContent = row.content;
    sample.partHashes = true;
    std::string error;
    ASSERT_TRUE(WriteSampleDownload(folder.path(), sample, &error)) << error;
    const std::string met = ReadFileBytes(folder.Path("001.part.met"));
    std::remove(folder.Path("001.part.met").c_str());
    const uint16_t count = static_cast<uint16_t>(uint8_t(met[21]) | uint8_t(met[22]) << 8);
    std::string link = "ed2k://|file|Some%20Movie.avi|" + std::to_string(row.size) + "|" +
                       Hex(met.substr(5, 16)) + "|";
    if (row.withP) {
      std::string hashes = met.substr(23, 16u * count);
      if (row.badHashes) hashes[0] ^= 1;
      link += "p=";
      for (uint16_t i = 0; i < count; ++i) link += (i ? ":" : "") + Hex(hashes.substr(16u * i, 16));
      link += "|h=ABCDEFGHIJKLMNOPQRSTUVWXYZ234567|";
    }
    link += "/";
    if (row.dataLength) {
      std::filesystem::resize_file(folder.Path("001.part"), row.dataLength);
      ASSERT_EQ(0, SetModificationTime(folder.Path("001.part"), kStamp));
    }
    const uint64_t dataLength = FileLength(folder.Path("001.part"));

    ProcessResult run = RunTool(folder.path(), {"--recover", "001.part", link});
    EXPECT_EQ(row.exitCode, run.exitCode) << run.output;
    for (const std::string& said : row.said)
      EXPECT_NE(std::string::npos, run.output.find(Lines(said))) << said << "\n" << run.output;
    EXPECT_EQ(dataLength, FileLength(folder.Path("001.part")));
    if (!row.version) {
      EXPECT_EQ("001.part", ListFolder(folder.path()));
      continue;
    }
    EXPECT_EQ("001.part 001.part.met", ListFolder(folder.path()));
    const std::string built = ReadFileBytes(folder.Path("001.part.met"));
    DecodedMet after = DecodeMet(built);
    ASSERT_TRUE(after.ok);
    EXPECT_EQ(row.version, after.version);
    EXPECT_EQ(kStamp, StampOf(built));
    EXPECT_EQ(met.substr(5, 16), after.head.substr(5, 16));
    EXPECT_EQ(std::string(1, char(row.partCount)) + char(row.partCount >> 8), after.head.substr(21, 2));
    EXPECT_EQ(row.partCount ? met.substr(23, 16u * count) : "", after.head.substr(23));
    EXPECT_EQ(row.gapsAfter, ClientGaps(after));
    std::map<std::string, DecodedTag> tags;
    for (const DecodedTag& tag : after.tags) tags[tag.name] = tag;
    EXPECT_EQ("Some Movie.avi", tags["\x01"].text);
    EXPECT_EQ(row.size, tags["\x02"].number);
    EXPECT_EQ(row.version == 0xE2 ? 0x0B : 0x03, tags["\x02"].type);
    EXPECT_EQ(row.withP ? "ABCDEFGHIJKLMNOPQRSTUVWXYZ234567" : "", tags["\x27"].text);
    EXPECT_EQ(row.listedAfter, tags["\x24"].text);
    for (const auto& tag : tags) {
      if (tag.first.size() > 1) {
        EXPECT_EQ(row.version == 0xE2 ? 0x0B : 0x03, tag.second.type);
      }
    }
  }
}

TEST(RecoverE2eTest, BadLinksAndSoundFilesAreRefused) {
  const std::string hash = "bcdd439b69c6c539b57ee454b347cda8";
  const std::pair<std::string, std::string> kRefused[] = {
      {"http://example.org/a.avi", "Error: not an ed2k file link"},
      {"ed2k://|server|1.2.3.4|4661|/", "Error: not an ed2k file link"},
      {"ed2k://|file|a.avi|30e6|" + hash + "|/", "Error: the size in the ed2k link is not a number"},
      {"ed2k://|file|a.avi|0|" + hash + "|/", "Error: the size in the ed2k link is not a number"},
      {"ed2k://|file|a.avi|30000000|" + hash.substr(1) + "g|/",
       "Error: the file hash in the ed2k link is not 32 hexadecimal digits"},
      {"ed2k://|file||30000000|" + hash + "|/", "Error: the ed2k link names no file"},
  };
  TempFolder folder;
  std::string error;
  ASSERT_TRUE(WriteSampleDownload(folder.path(), SampleDownload{}, &error)) << error;
  const std::string met = ReadFileBytes(folder.Path("001.part.met"));
  ASSERT_TRUE(WriteFileBytes(folder.Path("copy"), met));
  for (const auto& refused : kRefused) {
    ProcessResult run = RunTool(folder.path(), {"--recover", "001.part", refused.first});
    EXPECT_EQ(1, run.exitCode) << refused.first;
    EXPECT_EQ(0u, run.output.find(refused.second)) << run.output;
  }
  const std::string link = "ed2k://|file|a.avi|30000000|" + hash + "|/";
  ProcessResult sound = RunTool(folder.path(), {"--recover", "001.part", link});
  EXPECT_EQ(1, sound.exitCode);
  EXPECT_NE(std::string::npos,
            sound.output.find("Error: '001.part.met' is sound: nothing is built from the link"));
  // A metadata file under another name is no data file.
  ProcessResult metadata = RunTool(folder.path(), {"--recover", "copy", link});
  EXPECT_EQ(1, metadata.exitCode);
  EXPECT_NE(std::string::npos, metadata.output.find("Error: 'copy' is a metadata file")) << metadata.output;
  EXPECT_EQ("001.part 001.part.met copy", ListFolder(folder.path()));
  EXPECT_EQ(met, ReadFileBytes(folder.Path("001.part.met")));
  // A data file dated before 1970: no header can note its time.
  std::remove(folder.Path("001.part.met").c_str());
  std::remove(folder.Path("copy").c_str());
  ASSERT_EQ(0, SetModificationTime(folder.Path("001.part"), -31536000));
  ProcessResult dated = RunTool(folder.path(), {"--recover", "001.part", link});
  EXPECT_EQ(1, dated.exitCode);
  EXPECT_NE(std::string::npos,
            dated.output.find("Error: the modification time of '001.part' cannot be read, or"))
      << dated.output;
  EXPECT_EQ("001.part", ListFolder(folder.path()));
}

TEST(RecoverE2eTest, NothingIsRecoveredWhileTheClientHoldsTheData) {
  TempFolder folder;
  std::string error;
  ASSERT_TRUE(WriteSampleDownload(folder.path(), Backed(), &error)) << error;
  const std::string met = ReadFileBytes(folder.Path("001.part.met"));
  ASSERT_TRUE(WriteFileBytes(folder.Path("001.part.met.bak"), met));
  ASSERT_TRUE(WriteFileBytes(folder.Path("001.part.met"), met.substr(0, 120)));
  // To the tool this test is the client, holding its download open.
  OpenResult held = SystemDisk().OpenShared(folder.Path("001.part"));
  ASSERT_TRUE(held.ok());
  ProcessResult fromBackup = RunTool(folder.path(), {"--recover", "001.part.met"});
  EXPECT_EQ(1, fromBackup.exitCode);
  EXPECT_NE(std::string::npos, fromBackup.output.find("Error: '001.part' is held open by another program"))
      << fromBackup.output;
  EXPECT_EQ(met.substr(0, 120), ReadFileBytes(folder.Path("001.part.met")));
  std::remove(folder.Path("001.part.met").c_str());
  std::remove(folder.Path("001.part.met.bak").c_str());
  const std::string link = "ed2k://|file|a.avi|30000000|" + Hex(met.substr(5, 16)) + "|/";
  ProcessResult fromLink = RunTool(folder.path(), {"--recover", "001.part", link});
  EXPECT_EQ(1, fromLink.exitCode);
  EXPECT_NE(std::string::npos, fromLink.output.find("Error: '001.part' is held open by another program"))
      << fromLink.output;
  EXPECT_EQ("001.part", ListFolder(folder.path()));
  held.file.Close();
}

}  // namespace
