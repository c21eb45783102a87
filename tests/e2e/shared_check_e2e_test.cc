// The check of a client's shared files against its known.met, and the
// reopening of a damaged one as a download, seen from outside.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "platform/path.h"
#include "sample/file_time.h"
#include "sample/sample_download.h"
#include "sample/sample_known.h"
#include "tests/e2e/e2e_support.h"
#include "tests/support/met_decoder.h"
#include "tests/support/temp_folder.h"

namespace {

constexpr uint64_t P = kSamplePartSize;
constexpr int64_t kHashed = 0x6B163E0C;

// A client's configuration folder: known.met and known2_64.met written for
// the files of Incoming as they are now, then what each test does to them.
class SharedCheckE2eTest : public ::testing::Test {
 protected:
  // A file of pseudo-random bytes, with the time the client hashed it at.
  std::string Put(const std::string& name, uint64_t size, uint32_t seed) {
    const std::string path = AppendPath(incoming_, name);
    std::string bytes(size, '\0');
    SampleBytes(seed, 0, reinterpret_cast<uint8_t*>(&bytes[0]), bytes.size());
    EXPECT_TRUE(WriteFileBytes(path, bytes));
    EXPECT_EQ(0, SetModificationTime(path, kHashed));
    paths_.push_back(path);
    return path;
  }

  // Records the files, with aMule's configuration naming the folders.
  void Record() {
    std::string error;
    ASSERT_TRUE(WriteSampleKnownFiles(config_, paths_, &error)) << error;
    ASSERT_TRUE(WriteFileBytes(AppendPath(config_, "amule.conf"), SampleAmuleConf(incoming_, temp_)));
  }

  // Flips one byte in place, keeping the file's time: bit rot.
  static void Rot(const std::string& path, uint64_t at) {
    std::fstream file(std::filesystem::u8path(path), std::ios::in | std::ios::out | std::ios::binary);
    file.seekg(static_cast<std::streamoff>(at));
    const char byte = static_cast<char>(file.get());
    file.seekp(static_cast<std::streamoff>(at));
    file.put(static_cast<char>(~byte));
    file.close();
    ASSERT_EQ(0, SetModificationTime(path, kHashed));
  }

  ProcessResult Run(const std::vector<std::string>& args) { return RunTool(folder_.path(), args); }

  TempFolder folder_;
  std::string config_ = folder_.Path("config");
  std::string incoming_ = folder_.Path("Incoming");
  std::string temp_ = folder_.Path("Temp");
  std::string known_ = AppendPath(config_, "known.met");
  std::vector<std::string> paths_;

  void SetUp() override {
    for (const std::string& path : {config_, incoming_, temp_}) ASSERT_TRUE(MakeFolder(path));
  }
};

TEST_F(SharedCheckE2eTest, EveryRecordedFileGetsItsLine) {
  Put("sound.avi", 2 * P + 1000, 1);
  const std::string rotten = Put("rotten.avi", 3 * P, 2);
  const std::string edited = Put("\xc3\x9c" "ber.mkv", 5000000, 3);
  const std::string gone = Put("gone.iso", 1000, 4);
  Record();
  // Part 1 rots, time kept: its block 3 differs from the client's hash of it.
  Rot(rotten, P + 3 * 184320 + 7);
  std::string bytes = ReadFileBytes(edited);
  bytes[10] ^= 1;
  ASSERT_TRUE(WriteFileBytes(edited, bytes));  // a new time: an edit
  std::filesystem::remove(std::filesystem::u8path(gone));
  ProcessResult run = Run({"--check", known_});
  EXPECT_EQ(1, run.exitCode) << run.output;
  EXPECT_EQ(Lines("'" + known_ + "': 4 files recorded\n"
                  "Looked for in: '" + incoming_ + "'\n"
                  "'" + AppendPath(incoming_, "sound.avi") + "': sound\n"
                  "'" + rotten + "': corrupt, parts 1 (AICH blocks that differ: part 1: 3)\n"
                  "'" + edited + "': changed since the client hashed it, corrupt, parts 0 (AICH "
                  "blocks that differ: part 0: 0)\n"
                  "'gone.iso': not found\n"
                  "Shared files: 1 sound, 2 corrupt, 1 not found, 0 not judged; 1 changed since the "
                  "client hashed them\n"),
            run.output);
  // The folders given instead of the configuration's.
  ProcessResult given = Run({"--check", known_, temp_});
  EXPECT_EQ(0, given.exitCode) << given.output;
  EXPECT_TRUE(Contains(given.output, "Shared files: 0 sound, 0 corrupt, 4 not found")) << given.output;
}

TEST_F(SharedCheckE2eTest, ABadRecordIsSaidAndTheOthersAreChecked) {
  Put("a.avi", P + 5, 1);
  Put("b.avi", P + 6, 2);
  std::string error;
  SampleFileHashes a, b;
  ASSERT_TRUE(HashSampleFile(paths_[0], &a));
  ASSERT_TRUE(HashSampleFile(paths_[1], &b));
  SampleKnownRecord bad = SampleKnownRecordOf("a.avi", uint32_t(kHashed), a);
  bad.partHashes[0] ^= 1;  // no longer hashes to the file hash
  SampleKnownRecord escaping = SampleKnownRecordOf("../b.avi", uint32_t(kHashed), b);
  const std::string known = EncodeSampleKnownMet({bad, escaping, SampleKnownRecordOf("b.avi", uint32_t(kHashed), b)});
  // Cut inside a fourth record that the count announces.
  std::string cut = known;
  cut[1] = 4;
  cut += std::string("\x0C\x3E", 2);
  ASSERT_TRUE(WriteFileBytes(known_, cut));
  ProcessResult run = Run({"--check", known_, incoming_});
  EXPECT_EQ(0, run.exitCode) << run.output;
  EXPECT_TRUE(Contains(run.output, "'a.avi': not judged: record 1 ('a.avi'): ")) << run.output;
  EXPECT_TRUE(Contains(run.output, "'../b.avi': not judged: record 2 ")) << run.output;
  EXPECT_TRUE(Contains(run.output, Lines("'" + paths_[1] + "': sound\n"))) << run.output;
  EXPECT_TRUE(Contains(run.output, "Shared files: 1 sound, 0 corrupt, 0 not found, 2 not judged"))
      << run.output;
}

TEST_F(SharedCheckE2eTest, AFileAbove4GiBIsCheckedPartByPart) {
  // Sparse: a few bytes of data, the rest holes that read as zeros; just
  // above 4 GiB, as every pass over it reads it all.
  const std::string large = AppendPath(incoming_, "large.iso");
  {
    std::ofstream out(std::filesystem::u8path(large), std::ios::binary);
    out.seekp(4250000000ll);
    out.write("data", 4);
    out.seekp(4300000000ll - 1);
    out.put('\0');
  }
  ASSERT_EQ(0, SetModificationTime(large, kHashed));
  paths_.push_back(large);
  Record();
  Rot(large, 4250000001ll);  // in part 436, 8,592,001 bytes into it
  ProcessResult rotten = Run({"--check", known_});
  EXPECT_EQ(1, rotten.exitCode);
  EXPECT_TRUE(Contains(rotten.output, Lines("'" + large + "': corrupt, parts 436 (AICH blocks that differ: "
                                            "part 436: 46)\n")))
      << rotten.output;
}

TEST_F(SharedCheckE2eTest, ACorruptFileIsReopenedAsADownloadOfItsBadParts) {
  const std::string rotten = Put("movie.avi", 3 * P + 1234, 7);
  const std::string sound = Put("sound.avi", 1000, 8);
  Record();
  Rot(rotten, 2 * P + 5);
  const std::string before = ReadFileBytes(rotten);
  ProcessResult dry = Run({"--reopen", known_, rotten, "-n"});
  EXPECT_EQ(0, dry.exitCode) << dry.output;
  EXPECT_TRUE(Contains(dry.output, "would be moved to")) << dry.output;
  EXPECT_EQ("", ListFolder(temp_));

  ProcessResult run = Run({"--reopen", known_, rotten});
  EXPECT_EQ(0, run.exitCode) << run.output;
  EXPECT_FALSE(PathExists(rotten));
  const std::string part = AppendPath(temp_, "001.part");
  EXPECT_EQ("001.part 001.part.met", ListFolder(temp_));
  EXPECT_TRUE(before == ReadFileBytes(part));
  const std::string met = ReadFileBytes(part + ".met");
  DecodedMet decoded = DecodeMet(met);
  ASSERT_TRUE(decoded.ok);
  EXPECT_EQ((ClientGapList{{2 * P, 3 * P}}), ClientGaps(decoded));
  std::string listed, name;
  for (const DecodedTag& tag : decoded.tags) {
    if (tag.name == "\x24") listed = tag.text;
    if (tag.name == "\x01") name = tag.text;
  }
  EXPECT_EQ("2", listed);
  EXPECT_EQ("movie.avi", name);
  // The data file's time in the header: the client need not hash it again.
  const uint32_t stamp = uint8_t(met[1]) | uint8_t(met[2]) << 8 | uint8_t(met[3]) << 16 | uint32_t(uint8_t(met[4])) << 24;
  EXPECT_EQ(kHashed, stamp);

  // A sound file stays; one the record does not know is refused.
  ProcessResult left = Run({"--reopen", known_, sound});
  EXPECT_EQ(0, left.exitCode);
  EXPECT_TRUE(Contains(left.output, "is sound: it is left where it is.")) << left.output;
  EXPECT_TRUE(PathExists(sound));
  ProcessResult unknown = Run({"--reopen", known_, known_});
  EXPECT_EQ(1, unknown.exitCode);
  EXPECT_TRUE(Contains(unknown.output, "no record has its name and size, nothing is written."))
      << unknown.output;
}

}  // namespace
