// "--recover" seen from outside: a download whose metadata file is damaged
// or lost, brought back from a backup or built from its ed2k link.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include "platform/console.h"
#include "sample/file_time.h"
#include "sample/sample_download.h"
#include "tests/e2e/e2e_support.h"
#include "tests/support/met_decoder.h"
#include "tests/support/temp_folder.h"

namespace {

constexpr uint32_t kStamp = 0x6B163E0C;
constexpr uint64_t P = kSamplePartSize;

// What a file beside the data file holds.
enum class Held { Sound, Newer, Cut, Empty, Other };

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
    const std::string held[] = {WithStamp(sound, kStamp - 1000), WithStamp(sound, kStamp - 500),
                                sound.substr(0, 120), "",
                                EncodeSampleMet(other, SamplePartHashes(other))};
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

}  // namespace
