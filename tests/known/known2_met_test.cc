#include "known/known2_met.h"

#include <gtest/gtest.h>

#include "sample/sample_download.h"
#include "sample/sample_known.h"
#include "tests/support/byte_text.h"
#include "tests/support/memory_disk.h"

namespace {

SampleFileHashes Hashed(uint32_t seed, size_t size) {
  std::string bytes(size, '\0');
  SampleBytes(seed, 0, reinterpret_cast<uint8_t*>(&bytes[0]), size);
  return HashSampleBytes(bytes);
}

std::string Bytes(const std::vector<AichHash>& hashes) {
  std::string bytes;
  for (const AichHash& hash : hashes) bytes.append(reinterpret_cast<const char*>(hash.data()), hash.size());
  return bytes;
}

AichHash Root(const SampleFileHashes& file) {
  AichHash root;
  std::copy(file.aichRoot.begin(), file.aichRoot.end(), root.begin());
  return root;
}

Known2Index Indexed(MemoryDisk& disk, const std::string& bytes) {
  disk.PutFile("known2_64.met", bytes);
  OpenResult opened = disk.OpenShared("known2_64.met");
  return IndexKnown2Met(disk, opened.file);
}

TEST(Known2MetTest, BlockCountsAre53APartAndTheBlocksOfTheRest) {
  // aMule wrote 28, 111 and 160 hashes for the first three.
  const std::vector<std::pair<uint64_t, uint64_t>> counts = {
      {5000000, 28}, {20233777, 111}, {29184001, 160}, {9728000, 53}, {184320, 1}, {184321, 2}, {0, 0},
      {5000000000, 27241}};
  for (const auto& [size, count] : counts) EXPECT_EQ(count, AichBlockCount(size)) << size;
}

TEST(Known2MetTest, TheIndexFindsEachFilesHashesWhichAreReadOnDemand) {
  const std::vector<SampleFileHashes> files = {Hashed(1, 5000000), Hashed(2, 20233777), Hashed(3, 1000)};
  MemoryDisk disk;
  const std::string bytes = EncodeSampleKnown2Met(files);
  const Known2Index index = Indexed(disk, bytes);
  EXPECT_EQ("", index.problem + index.damage);
  ASSERT_EQ(3u, index.sets.size());
  EXPECT_EQ(1u + 24, index.sets[0].offset);
  EXPECT_EQ(111u, index.sets[1].count);
  const AichBlockSet* set = FindAichBlockSet(index, Root(files[1]));
  ASSERT_EQ(&index.sets[1], set);
  EXPECT_EQ(nullptr, FindAichBlockSet(index, AichHash{}));

  OpenResult opened = disk.OpenShared("known2_64.met");
  std::vector<AichHash> hashes;
  EXPECT_EQ("", ReadAichBlockHashes(disk, opened.file, *set, 20233777, kAllParts, &hashes));
  EXPECT_EQ(Hex(files[1].blockHashes), Hex(Bytes(hashes)));
  // Part 2 is the short last one: 5 blocks.
  EXPECT_EQ("", ReadAichBlockHashes(disk, opened.file, *set, 20233777, 2, &hashes));
  EXPECT_EQ(Hex(files[1].blockHashes.substr(106 * 20)), Hex(Bytes(hashes)));
  EXPECT_EQ("a file of 20233777 bytes has no part 3",
            ReadAichBlockHashes(disk, opened.file, *set, 20233777, 3, &hashes));
  EXPECT_EQ("its 111 block hashes do not fit a size of 29184001 bytes, which has 160",
            ReadAichBlockHashes(disk, opened.file, *set, 29184001, kAllParts, &hashes));
  EXPECT_TRUE(hashes.empty());
}

TEST(Known2MetTest, ACountThatRunsPastTheEndIsNotFollowed) {
  const std::vector<SampleFileHashes> files = {Hashed(1, 1000), Hashed(2, 400000)};
  const std::string bytes = EncodeSampleKnown2Met(files);
  MemoryDisk disk;
  // The second set's count, 3, made 4: one hash more than the file holds.
  std::string longer = bytes;
  longer[1 + 24 + 20 + 20] = 4;
  Known2Index index = Indexed(disk, longer);
  EXPECT_EQ(1u, index.sets.size());
  EXPECT_EQ("set 2 (root " + SampleBase32(files[1].aichRoot) +
                "): its 4 block hashes run past the end of the file",
            index.damage);
  index = Indexed(disk, bytes.substr(0, bytes.size() - 3 * 20 - 2));
  EXPECT_EQ("set 2: the file ends inside it, or cannot be read, at offset 45", index.damage);
  EXPECT_EQ("its version byte 0x01 is not 0x02", Indexed(disk, "\x01" + bytes.substr(1)).problem);
  EXPECT_EQ("it is empty", Indexed(disk, "").problem);
}

}  // namespace
