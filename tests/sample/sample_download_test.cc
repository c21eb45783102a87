#include "sample/sample_download.h"

#include <gtest/gtest.h>

#include <set>

#include "sample/file_time.h"
#include "tests/support/byte_text.h"
#include "tests/support/met_decoder.h"
#include "tests/support/temp_folder.h"

namespace {

constexpr uint64_t P = kSamplePartSize;

// The tags of the name (a 1-byte string name, as the clients write them),
// in file order.
std::vector<DecodedTag> Named(const DecodedMet& met, const std::string& name) {
  std::vector<DecodedTag> found;
  for (const DecodedTag& tag : met.tags) {
    if (!tag.idForm && tag.name == name) found.push_back(tag);
  }
  return found;
}

bool IsSizeOrGapName(const std::string& name) {
  return name == "\x02" || name == "\x08" ||
         (name.size() >= 2 && (name[0] == '\x09' || name[0] == '\x0A') &&
          name.find_first_not_of("0123456789", 1) == std::string::npos);
}

// Size, transferred and every gap bound have type `wide`; every other
// integer is 32-bit.
void ExpectIntegerTypes(const DecodedMet& met, uint8_t wide) {
  for (const DecodedTag& tag : met.tags) {
    if (!IsIntegerTagType(tag.type)) continue;
    EXPECT_EQ(IsSizeOrGapName(tag.name) ? wide : 0x03, tag.type)
        << "tag named " << testing::PrintToString(tag.name);
  }
}

// A client compares the header's time stamp with the data file's time and
// re-hashes the whole download when they differ; a generated download must
// look freshly saved by the client.
TEST(SampleDownloadTest, TheDataFileBearsTheHeadersTimeStamp) {
  TempFolder folder;
  SampleDownload download;
  download.fileSize = 20000000;
  download.partHashes = true;
  download.corruptParts = {1};
  download.timeStamp = 1234567890;
  std::string error;
  ASSERT_TRUE(WriteSampleDownload(folder.path(), download, &error)) << error;

  EXPECT_EQ(std::optional<int64_t>(1234567890), ModificationTime(folder.Path("001.part")));
  const std::string met = ReadFileBytes(folder.Path("001.part.met"));
  ASSERT_GE(met.size(), 5u);
  uint32_t stamp = 0;
  for (int i = 4; i >= 1; --i) stamp = stamp << 8 | static_cast<uint8_t>(met[i]);
  EXPECT_EQ(1234567890u, stamp);
}

// 5,000,000,000 bytes with the gaps aMule was seen to load, and one from 0.
TEST(SampleDownloadTest, ALargeDownloadIsWrittenAsTheClientsWriteIt) {
  SampleDownload download;
  download.fileSize = 5000000000;
  download.gaps = {{0, 1000000}, {4294967296, 4394967296}, {4800000000, 5000000000}};
  const std::string hashes(514 * 16, '\x11');
  const std::string met = EncodeSampleMet(download, hashes);

  // Version 0xE2, then the full header: time, file hash, 514 part hashes.
  ASSERT_EQ('\xE2', met[0]);
  EXPECT_EQ(Le(download.timeStamp, 4), met.substr(1, 4));
  EXPECT_EQ(Le(514, 2), met.substr(21, 2));
  EXPECT_EQ(hashes, met.substr(23, hashes.size()));
  const DecodedMet decoded = DecodeMet(met);
  ASSERT_TRUE(decoded.ok);
  EXPECT_EQ(23 + hashes.size(), decoded.head.size());
  EXPECT_EQ(decoded.tags.size(), decoded.tagCount);

  // The size and a gap start of 0 exactly as on disk: type, name length, id, 8 bytes.
  EXPECT_NE(std::string::npos, met.find(std::string("\x0B\x01\x00\x02", 4) + Le(5000000000, 8)));
  EXPECT_NE(std::string::npos, met.find(std::string("\x0B\x02\x00\x09" "0", 5) + Le(0, 8)));
  ExpectIntegerTypes(decoded, 0x0B);
  EXPECT_EQ(std::optional<uint64_t>(5000000000), ClientFileSize(decoded));
  ASSERT_EQ(1u, Named(decoded, "\x08").size());
  EXPECT_EQ(4699000000u, Named(decoded, "\x08")[0].number);
  EXPECT_EQ((ClientGapList{{0, 1000000}, {4294967296, 4394967296}, {4800000000, 5000000000}}),
            ClientGaps(decoded));
  // The gaps stay last, start and end of each side by side.
  const size_t first = decoded.tags.size() - 6;
  for (size_t i = 0; i < 6; ++i)
    EXPECT_EQ(std::string(1, i % 2 ? '\x0A' : '\x09') + std::to_string(i / 2),
              decoded.tags[first + i].name);
}

TEST(SampleDownloadTest, LargeStartsAbove441Parts) {
  SampleDownload download;
  download.gaps = {{100, 200}};
  download.fileSize = kSampleLargeSizeAbove;  // fits, and is not large
  DecodedMet notLarge = DecodeMet(EncodeSampleMet(download));
  ASSERT_TRUE(notLarge.ok);
  EXPECT_EQ(0xE0, notLarge.version);
  ExpectIntegerTypes(notLarge, 0x03);
  EXPECT_EQ(std::optional<uint64_t>(4290048000), ClientFileSize(notLarge));

  download.fileSize = kSampleLargeSizeAbove + 1;  // fits in 32 bits, and is large
  DecodedMet large = DecodeMet(EncodeSampleMet(download));
  ASSERT_TRUE(large.ok);
  EXPECT_EQ(0xE2, large.version);
  ExpectIntegerTypes(large, 0x0B);
  EXPECT_EQ(std::optional<uint64_t>(4290048001), ClientFileSize(large));
  EXPECT_EQ((ClientGapList{{100, 200}}), ClientGaps(large));
  EXPECT_EQ(notLarge.tags.size(), large.tags.size());
}

// The clients read a 0xE0 file with 64-bit tags as its tags say.
TEST(SampleDownloadTest, SixtyFourBitTagsInAFileThatIsNotLarge) {
  SampleDownload download;
  download.gaps = {{0, 100}, {5000, 7000}, {29000000, 30000000}};
  const DecodedMet narrow = DecodeMet(EncodeSampleMet(download));
  download.sizeTags64 = true;
  const std::string bytes = EncodeSampleMet(download);
  const DecodedMet wide = DecodeMet(bytes);
  ASSERT_TRUE(narrow.ok && wide.ok);
  EXPECT_EQ('\xE0', bytes[0]);
  ExpectIntegerTypes(narrow, 0x03);
  ExpectIntegerTypes(wide, 0x0B);
  EXPECT_EQ(ClientGaps(narrow), ClientGaps(wide));
  EXPECT_EQ(ClientFileSize(narrow), ClientFileSize(wide));
  ASSERT_EQ(narrow.tags.size(), wide.tags.size());
  for (size_t i = 0; i < wide.tags.size(); ++i) {
    EXPECT_EQ(narrow.tags[i].name, wide.tags[i].name);
    EXPECT_EQ(narrow.tags[i].number, wide.tags[i].number);
  }
  // Each of the 8 widened tags is 4 bytes longer.
  download.sizeTags64 = false;
  EXPECT_EQ(EncodeSampleMet(download).size() + 8 * 4, bytes.size());
}

std::set<uint8_t> TypesOf(const std::vector<SampleTag>& tags) {
  std::set<uint8_t> types;
  for (const SampleTag& tag : tags) types.insert(tag.type & 0x7F);
  return types;
}

TEST(SampleDownloadTest, UnusualTagTypesComeOnlyWhenAskedFor) {
  SampleDownload download;
  EXPECT_EQ(0u, TypesOf(SampleTags(download)).count(0x0B));
  download.everyTagType = true;
  const std::set<uint8_t> every = TypesOf(SampleTags(download));
  for (uint8_t type : {0x01, 0x02, 0x03, 0x04, 0x05, 0x06, 0x07, 0x08, 0x09, 0x0A, 0x0B, 0x15, 0x20})
    EXPECT_EQ(1u, every.count(type)) << int(type);

  download.everyTagType = false;
  download.uint64Tags = true;
  EXPECT_EQ(1u, TypesOf(SampleTags(download)).count(0x0B));
  EXPECT_EQ(0u, TypesOf(SampleTags(download)).count(0x0A));
  download.bsobTag = true;
  EXPECT_EQ(1u, TypesOf(SampleTags(download)).count(0x0A));
  const DecodedMet decoded = DecodeMet(EncodeSampleMet(download));
  ASSERT_TRUE(decoded.ok);
  // A 64-bit tag in id form and one above 32 bits; neither is a gap.
  bool idForm = false, above32 = false;
  for (const DecodedTag& tag : decoded.tags) {
    if (tag.type != 0x0B) continue;
    idForm = idForm || tag.idForm;
    above32 = above32 || tag.number > 0xFFFFFFFFu;
  }
  EXPECT_TRUE(idForm && above32);
  EXPECT_TRUE(ClientGaps(decoded).empty());
}

bool IsBase32(const std::string& text) {
  return text.find_first_not_of("ABCDEFGHIJKLMNOPQRSTUVWXYZ234567") == std::string::npos;
}

std::string Base32Decode(const std::string& text) {
  const std::string alphabet = "ABCDEFGHIJKLMNOPQRSTUVWXYZ234567";
  std::string bytes;
  uint32_t buffer = 0;
  int bits = 0;
  for (char c : text) {
    buffer = buffer << 5 | uint32_t(alphabet.find(c));
    if ((bits += 5) >= 8) bytes += char(buffer >> (bits -= 8) & 0xFF);
  }
  return bytes;
}

TEST(SampleDownloadTest, EmuleTagsAreTheTypesEmuleWrites) {
  SampleDownload download;
  download.fileSize = 5 * P + 1000;  // six parts
  download.gaps = {{0, 1000}};
  download.emuleTags = true;
  const DecodedMet met = DecodeMet(EncodeSampleMet(download));
  ASSERT_TRUE(met.ok);
  for (const DecodedTag& tag : met.tags)
    EXPECT_EQ(1u, std::set<uint8_t>({0x01, 0x02, 0x03, 0x04, 0x07}).count(tag.type)) << int(tag.type);

  ASSERT_EQ(1u, Named(met, "\x24").size());
  EXPECT_EQ("0,5", Named(met, "\x24")[0].text);  // 0-based part numbers
  ASSERT_EQ(1u, Named(met, "\x27").size());
  const std::string root = Named(met, "\x27")[0].text;
  EXPECT_EQ(32u, root.size());
  EXPECT_TRUE(IsBase32(root)) << root;
  // The AICH set: 20-byte root, 16-bit count, count SHA-1 sized hashes.
  ASSERT_EQ(1u, Named(met, "\x35").size());
  const DecodedTag set = Named(met, "\x35")[0];
  EXPECT_EQ(0x07, set.type);
  ASSERT_EQ(4u + 20 + 2 + 6 * 20, set.raw.size());
  EXPECT_EQ(Le(20 + 2 + 6 * 20, 4), set.raw.substr(0, 4));
  EXPECT_EQ(Base32Decode(root), set.raw.substr(4, 20));
  EXPECT_EQ(Le(6, 2), set.raw.substr(24, 2));
  for (const char* name : {"\x50", "\x51", "\x52", "\x54", "\x55", "\x21", "\x26"}) {
    ASSERT_EQ(1u, Named(met, name).size()) << int(name[0]);
    EXPECT_EQ(0x03, Named(met, name)[0].type);
  }
  // The usual tags are still there once, the gaps last.
  EXPECT_EQ(1u, Named(met, "\x53").size());
  EXPECT_EQ((ClientGapList{{0, 1000}}), ClientGaps(met));
  EXPECT_EQ("\x0A" "0", met.tags.back().name);

  // A download of one part has no AICH part hashes to write.
  download.fileSize = P - 1;
  EXPECT_TRUE(Named(DecodeMet(EncodeSampleMet(download)), "\x35").empty());
}

}  // namespace
