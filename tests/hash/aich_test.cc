// AICH hashes against `rhash --aich` (1.4.3), run once over files whose bytes
// the generator below makes (its LCG from seed 1, a byte a step).
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <string>
#include <optional>
#include <vector>

#include "hash/aich_hash_set.h"
#include "hash/aich_tree.h"
#include "hash/md4_lanes.h"
#include "reading/part_hashing.h"
#include "tests/support/memory_disk.h"

namespace {

/// The bytes of the files rhash hashed, one stretch at a time.
struct Generator {
  uint32_t seed = 1;
  template <typename Bytes>
  void Fill(Bytes& bytes) {
    for (auto& byte : bytes) {
      seed = seed * 1664525u + 1013904223u;
      byte = static_cast<typename Bytes::value_type>(seed >> 24);
    }
  }
};

/// The part hashes of a file of `size` bytes, fed in pieces of ever-changing
/// odd sizes (cut at part ends, as the caller must).
std::vector<AichHash> PartHashes(uint64_t size) {
  const size_t pieces[] = {1, 4095, 65537, 184321, 7, 1000003};
  const uint64_t part = 9728000;
  Generator generator;
  AichPartHasher hasher;
  std::vector<AichHash> hashes;
  std::vector<uint8_t> bytes;
  for (uint64_t at = 0, step = 0; at < size; ++step) {
    const uint64_t piece = std::min({uint64_t{pieces[step % 6]}, size - at, part - at % part});
    bytes.resize(piece);
    generator.Fill(bytes);
    hasher.Update(bytes.data(), bytes.size());
    at += piece;
    if (at % part == 0 || at == size) {
      hashes.emplace_back();
      EXPECT_TRUE(hasher.Finish(AichPartSide(size, uint32_t(hashes.size() - 1)), &hashes.back()));
    }
  }
  return hashes;
}

/// The AICH part hashes a part check makes of the file on `disk`, one thread.
std::vector<AichHash> CheckedParts(MemoryDisk& disk, uint64_t size) {
  OpenResult data = disk.OpenForReading("data.part");
  PartHashOptions options;
  options.threads = 1;
  PartHashing hashing(
      disk, DownloadPartSpans(data.file, size, PartsBelow(uint32_t(size / 9728000 + 1)), true),
      options);
  std::vector<AichHash> hashes;
  for (uint32_t part = 0; part < AichPartCount(size); ++part) {
    const PartOutcome outcome = hashing.Wait(part);
    if (!outcome.ok || !outcome.aich) break;
    hashes.push_back(*outcome.aich);
  }
  return hashes;
}

std::string Upper(std::string text) {
  for (char& c : text) c = char(std::toupper(static_cast<unsigned char>(c)));
  return text;
}

/// Tag 0x35 as eMule writes it: root, count (little-endian), part hashes.
std::string Blob(const AichHash& root, unsigned count, const std::vector<AichHash>& parts) {
  std::string blob(root.begin(), root.end());
  blob += char(count & 0xFF);
  blob += char(count >> 8);
  for (const AichHash& part : parts) blob.append(part.begin(), part.end());
  return blob;
}

TEST(AichTest, PartHashesRebuildTheRootsOfRhash) {
  struct Case {
    uint64_t size;
    unsigned parts;
    const char* root;
  };
  const Case cases[] = {
      {1, 1, "ytotzdg5rv6jkyb52z7rzwdt2x4rjczj"},
      {184319, 1, "abtgkgmpv6kn3oqmtxvrh2efma7b45ju"},
      {184320, 1, "ye2vcopvvjt4jex2fsk75auy5zs7k5jt"},
      {184321, 1, "vkq6wu7ynsf5pegag6kldofmy44ssc6s"},
      {9727999, 1, "lbmxeq66gor3rme5mutzgc77zyx4xgf7"},
      {9728000, 1, "2sk37bj43f46mgwvtk74xjybrv7i36d2"},
      {9728001, 2, "c3rc3reh354doci42batbfqkmxw4i4uj"},
      {2 * 9728000, 2, "bst47nyhhy3l6toe54gfsyfledn3jjwy"},
      {3 * 9728000 + 12345, 4, "edpy2edre3stesrqa7zemvcwrcfcqpp2"},
      {10 * 9728000, 10, "z7tzqeftgxfyb6i25po6yny2tctnlf2u"},
      {17 * 9728000 + 184326, 18, "szbb5clgpzar4jf7x4yozn6laa3yoxnl"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.size);
    const std::vector<AichHash> parts = PartHashes(c.size);
    ASSERT_EQ(parts.size(), c.parts);
    EXPECT_EQ(AichPartCount(c.size), c.parts);
    AichHash root;
    ASSERT_TRUE(AichRootOfParts(c.size, parts, &root));
    EXPECT_EQ(AichHashToBase32(root), Upper(c.root));
    // eMule's tag 0x35 holds part hashes only above one part.
    AichHashSet set;
    const std::string blob =
        c.parts > 1 ? Blob(root, c.parts, parts) : Blob(root, 0, {});
    ASSERT_EQ(CheckAichHashSet(c.size, blob, Upper(c.root), &set), AichSetCheck::kTrusted);
    EXPECT_EQ(set.parts, parts);
    // The part check's own AICH hashes, in SIMD lanes where they run and
    // with the system's SHA-1.
    std::string bytes(c.size, '\0');
    Generator().Fill(bytes);
    MemoryDisk disk;
    disk.PutFile("data.part", std::move(bytes));
    for (std::optional<Md4Kernel> kernel : {std::optional<Md4Kernel>(Md4Kernel::kAvx512),
                                            std::optional<Md4Kernel>(Md4Kernel::kAvx2),
                                            std::optional<Md4Kernel>(Md4Kernel::kScalar)}) {
      if (!ForceMd4Kernel(kernel)) continue;
      EXPECT_EQ(CheckedParts(disk, c.size), parts) << Md4KernelName(*kernel);
    }
    ForceMd4Kernel(std::nullopt);
  }
}

TEST(AichTest, OnlyASetWhosePartsRebuildTheRootOfTag0x27IsTrusted) {
  const uint64_t size = 3 * 9728000 + 12345;
  const std::string text = "EDPY2EDRE3STESRQA7ZEMVCWRCFCQPP2";
  std::vector<AichHash> parts = PartHashes(size);
  AichHash root;
  ASSERT_TRUE(AichHashFromBase32(text, &root));
  std::vector<AichHash> otherPart = parts;
  otherPart[3][19] ^= 1;
  const AichHash otherRoot = otherPart[3];
  struct Case {
    const char* what;
    uint64_t size;
    std::string blob;
    std::string text;
    AichSetCheck check;
  };
  const Case cases[] = {
      {"root in lower case", size, Blob(root, 4, parts), "edpy2edre3stesrqa7zemvcwrcfcqpp2",
       AichSetCheck::kTrusted},
      {"a part hash less", size, Blob(root, 3, {parts[0], parts[1], parts[2]}), text,
       AichSetCheck::kMalformed},
      {"count not the parts", size, Blob(root, 3, parts), text, AichSetCheck::kMalformed},
      {"no part hashes", size, Blob(root, 0, {}), text, AichSetCheck::kMalformed},
      {"a byte more", size, Blob(root, 4, parts) + '\0', text, AichSetCheck::kMalformed},
      {"the size of another file", size + 9728000, Blob(root, 4, parts), text,
       AichSetCheck::kMalformed},
      {"a part hash wrong", size, Blob(root, 4, otherPart), text, AichSetCheck::kTreeBroken},
      {"0x27 names another root", size, Blob(root, 4, parts), AichHashToBase32(otherRoot),
       AichSetCheck::kRootDiffers},
      {"no 0x27", size, Blob(root, 4, parts), "", AichSetCheck::kRootDiffers},
      {"0x27 padded", size, Blob(root, 4, parts), text + "=", AichSetCheck::kRootDiffers},
      {"0x27 not base32", size, Blob(root, 4, parts), "1" + text.substr(1),
       AichSetCheck::kRootDiffers},
  };
  for (const Case& c : cases) {
    AichHashSet set;
    EXPECT_EQ(CheckAichHashSet(c.size, c.blob, c.text, &set), c.check) << c.what;
    EXPECT_EQ(set.parts.size(), c.check == AichSetCheck::kTrusted ? 4u : 0u) << c.what;
  }
}

TEST(AichTest, APartHasherRefusesMoreThanAPartAndStartsOver) {
  AichPartHasher hasher;
  std::vector<uint8_t> bytes(9728001, 'a');
  hasher.Update(bytes.data(), bytes.size());
  AichHash hash;
  EXPECT_FALSE(hasher.Finish(AichSide::kLeft, &hash));
  // A part of "abc" is one block: its hash is the SHA-1 of "abc" (FIPS 180-4).
  hasher.Update(reinterpret_cast<const uint8_t*>("abc"), 3);
  ASSERT_TRUE(hasher.Finish(AichSide::kRight, &hash));
  EXPECT_EQ(AichHashToBase32(hash), "VGMT4NSHA2AWVOR6EVYXQUGCNSONBWE5");
}

}  // namespace
