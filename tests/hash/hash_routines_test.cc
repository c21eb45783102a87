#include "hash/hash_routines.h"

#include <gtest/gtest.h>

#include <cstring>
#include <random>

#include "met/part_layout.h"
#include "platform/disk.h"
#include "tests/support/byte_text.h"
#include "tests/support/error_codes.h"
#include "sample/sample_download.h"
#include "tests/hash/reference_md4.h"
#include "tests/support/faulty_disk.h"
#include "tests/support/platform_traits.h"
#include "tests/support/temp_folder.h"

namespace {

std::string Digest(const HashRoutines& routines, const std::string& message, size_t piece) {
  Md4Context context;
  routines.init(&context);
  for (size_t at = 0; at < message.size(); at += piece) {
    size_t count = std::min(piece, message.size() - at);
    routines.update(&context, reinterpret_cast<const uint8_t*>(message.data() + at),
                    static_cast<uint32_t>(count));
  }
  routines.final(&context);
  return std::string(reinterpret_cast<const char*>(context.digest), 16);
}

TEST(HashRoutinesTest, TheTestSuiteOfRfc1320) {
  const std::pair<const char*, const char*> suite[] = {
      {"", "31d6cfe0d16ae931b73c59d7e0c089c0"},
      {"a", "bde52cb31de33e46245e05fbdbd6fb24"},
      {"abc", "a448017aaf21d8525fc10ae87aa6729d"},
      {"message digest", "d9130a8164549fe818874806e1c7014b"},
      {"abcdefghijklmnopqrstuvwxyz", "d79e1c308aa5bbcdeea8ed63df412da9"},
      {"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789",
       "043f8582f241db351ce627e153e7f0e4"},
      {"12345678901234567890123456789012345678901234567890123456789012345678901234567890",
       "e33b4ddc9c38f2199c3e7b164fcc0536"},
  };
  HashRoutines routines = BindHashRoutines();
  for (const auto& test : suite) {
    EXPECT_EQ(test.second, Hex(Digest(routines, test.first, 1000))) << test.first;
    EXPECT_EQ(test.second, Hex(ReferenceMd4(test.first))) << test.first;
  }
}

TEST(HashRoutinesTest, EqualsAnIndependentMd4OnRandomData) {
  HashRoutines routines = BindHashRoutines();
  // Where the system has MD4 (advapi32 on Windows) it is bound; ours stands
  // in when the binding fails, with the same digests.
  EXPECT_EQ(kSystemOffersMd4, routines.fromSystem);
  HashRoutines own = BindHashRoutines("no-such-library");
  EXPECT_FALSE(own.fromSystem);
  std::mt19937 random(1320);
  for (int round = 0; round < 200; ++round) {
    size_t length = round < 130 ? round : random() % 300000;
    std::string message(length, '\0');
    for (char& c : message) c = char(random());
    std::string expected = ReferenceMd4(message);
    size_t piece = 1 + random() % 200;
    EXPECT_EQ(Hex(expected), Hex(Digest(routines, message, piece))) << length << " / " << piece;
    EXPECT_EQ(Hex(expected), Hex(Digest(own, message, message.size() + 1))) << length;
  }
}

// A data file of 2 1/2 parts with the sample's content.
class HashFileRangeTest : public testing::Test {
 protected:
  void SetUp() override {
    content_.resize(2 * kPartSize + kPartSize / 2);
    SampleBytes(7, 0, reinterpret_cast<uint8_t*>(&content_[0]), content_.size());
    path_ = folder_.Path("data.part");
    ASSERT_TRUE(WriteFileBytes(path_, content_));
  }

  std::string Hash(uint64_t offset, uint64_t length, Disk& disk = SystemDisk()) {
    OpenResult opened = disk.OpenForReading(path_);
    EXPECT_EQ(0, opened.error);
    uint8_t digest[16] = {};
    EXPECT_EQ(0, HashFileRange(routines_, disk, opened.file, digest, offset, length));
    return Hex(std::string(reinterpret_cast<char*>(digest), 16));
  }

  std::string Expected(uint64_t offset, uint64_t length) {
    if (offset > content_.size()) offset = content_.size();
    return Hex(ReferenceMd4(content_.substr(offset, length)));
  }

  TempFolder folder_;
  std::string path_;
  std::string content_;
  HashRoutines routines_ = BindHashRoutines();
};

TEST_F(HashFileRangeTest, EmptyRanges) {
  const std::string empty = "31d6cfe0d16ae931b73c59d7e0c089c0";
  EXPECT_EQ(empty, Hash(100, 0));
  EXPECT_EQ(empty, Hash(content_.size(), kPartSize));
  EXPECT_EQ(empty, Hash(content_.size() + 12345, kPartSize));
}

TEST_F(HashFileRangeTest, WholeAndShortParts) {
  FaultyDisk counting;
  EXPECT_EQ(Expected(kPartSize, kPartSize), Hash(kPartSize, kPartSize, counting));
  // 148 whole blocks and a 149th of which only the start is hashed.
  EXPECT_EQ(149, counting.Calls(DiskOp::Read));
  // The last part runs past the end of the file and covers what exists.
  EXPECT_EQ(Expected(2 * kPartSize, kPartSize), Hash(2 * kPartSize, kPartSize));
  EXPECT_EQ(Expected(0, 10), Hash(0, 10));
}

TEST_F(HashFileRangeTest, WholeBlocksNeedNoFurtherRead) {
  FaultyDisk counting;
  EXPECT_EQ(Expected(65536, 3 * 65536), Hash(65536, 3 * 65536, counting));
  EXPECT_EQ(3, counting.Calls(DiskOp::Read));
}

TEST_F(HashFileRangeTest, TheFilePositionBeforeDoesNotMatter) {
  OpenResult opened = SystemDisk().OpenForReading(path_);
  uint8_t first[16], second[16];
  ASSERT_EQ(0, HashFileRange(routines_, SystemDisk(), opened.file, first, 5000, 70000));
  ASSERT_EQ(0, HashFileRange(routines_, SystemDisk(), opened.file, second, 5000, 70000));
  EXPECT_EQ(0, std::memcmp(first, second, 16));
}

TEST_F(HashFileRangeTest, ReadAndSeekFailuresAreReported) {
  for (DiskOp op : {DiskOp::Read, DiskOp::Seek}) {
    FaultyDisk disk;
    disk.FailCall(op, 1, kErrorIo);
    OpenResult opened = disk.OpenForReading(path_);
    uint8_t digest[16] = {};
    EXPECT_EQ(kErrorIo, HashFileRange(routines_, disk, opened.file, digest, 0, kPartSize));
  }
}

}  // namespace
