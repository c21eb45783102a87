#include "met/met_rewrite.h"

#include <gtest/gtest.h>

#include "app/run_flow.h"
#include "platform/path.h"
#include "sample/sample_download.h"
#include "tests/support/byte_text.h"
#include "tests/support/client_sample.h"
#include "tests/support/memory_disk.h"
#include "tests/support/met_decoder.h"
#include "tests/support/platform_traits.h"
#include "tests/support/string_console.h"

namespace {

// The data file a rebuild below judges: part 0 differs from its hash in
// its first 1,000 bytes, where every gap of these tests lies, so it is not
// complete, and part 2 is damaged, so it becomes the gap [19456000,
// 29184000) behind the others.
std::string RebuildData(const SampleDownload& download) {
  std::string data(download.fileSize, '\0');
  SampleContent(download, 0, reinterpret_cast<uint8_t*>(&data[0]), data.size());
  std::fill(data.begin(), data.begin() + 1000, '\0');
  data[19456001] ^= 1;
  return data;
}

// A whole rewrite run on a disk in memory, beside the data file (empty
// unless given; none for /complete, which would keep a shorter one's
// missing bytes a gap); the new file, when one took the old one's place.
std::optional<std::string> Rewrite(const std::string& old, RewriteMode mode,
                                   StringConsole& console, const std::string& data = "") {
  MemoryDisk disk;
  disk.PutFile("dl/001.part.met", old);
  if (mode == RewriteMode::Rebuild || !data.empty()) disk.PutFile(AppendPath("dl", "001.part"), data);
  const char* args[] = {"partsweep", "dl/001.part.met",
                        mode == RewriteMode::Complete ? "--complete" : "--rebuild"};
  if (RunPartsweep(3, args, disk, console) != 0) return std::nullopt;
  return *disk.FileBytes("dl/001.part.met");
}

const char kUnchanged[] = "Error: 'dl/001.part.met' was not rewritten, it is unchanged.\n";

bool IsGapName(const DecodedTag& tag) {
  if (tag.name.empty() || (tag.name[0] != '\x09' && tag.name[0] != '\x0A')) return false;
  if (tag.idForm || tag.name.size() == 1) return true;
  return tag.name.find_first_not_of("0123456789", 1) == std::string::npos;
}

// The old file's tags that a rewrite keeps, as they read after the
// reader's widening of small integers and short strings.
void ExpectSameTags(const std::vector<DecodedTag>& old, const std::vector<DecodedTag>& kept) {
  size_t next = 0;
  for (const DecodedTag& tag : old) {
    if (IsGapName(tag)) continue;
    ASSERT_LT(next, kept.size());
    const DecodedTag& copy = kept[next++];
    EXPECT_EQ(tag.idForm, copy.idForm);
    EXPECT_EQ(tag.name, copy.name);
    if (tag.type == 0x08 || tag.type == 0x09) {
      EXPECT_EQ(0x03, copy.type);
      EXPECT_EQ(tag.number, copy.number);
    } else if (tag.type >= 0x11 && tag.type <= 0x20) {
      EXPECT_EQ(0x02, copy.type);
      EXPECT_EQ(tag.text, copy.text);
    } else {
      EXPECT_EQ(tag.type, copy.type);
      EXPECT_EQ(tag.raw, copy.raw);
    }
  }
  EXPECT_EQ(next, kept.size());
}

TEST(MetRewriteTest, CompleteOnTheClientSample) {
  const std::string old = ClientSampleMet();
  StringConsole console;
  std::optional<std::string> written = Rewrite(old, RewriteMode::Complete, console);
  ASSERT_TRUE(written);
  // The same header, 15 tags, and the old tags but the last two (the gap),
  // whose encoding is already the one the tool writes.
  const size_t gapTagBytes = 2 * 9;
  EXPECT_EQ(old.substr(0, 23) + U32(15) + old.substr(27, old.size() - 27 - gapTagBytes), *written);
  EXPECT_EQ("Hash Id: 0123456789abcdef0123456789abcdef\nHashed Part Count: 0\nTag Count : 15\n" +
                GapBarText(0, 77),
            console.output);
}

TEST(MetRewriteTest, CompleteKeepsEveryOtherTagInOrder) {
  SampleDownload download;
  download.everyTagType = true;
  download.gaps = {{0, 100}, {5000, 7000}, {29000000, 30000000}};
  download.extraTags = {SampleTag{0x89, "\x09", "\x05"}, SampleNumberTag("late", 1),
                        SampleTag{0x83, "\x0A", U32(50)}};
  download.trailer = "after the tags";
  const std::string old = EncodeSampleMet(download);
  StringConsole console;
  std::optional<std::string> written = Rewrite(old, RewriteMode::Complete, console);
  ASSERT_TRUE(written) << console.output;
  DecodedMet before = DecodeMet(old), after = DecodeMet(*written);
  ASSERT_TRUE(before.ok && after.ok);
  // The same header, but for the version: the file holds 64-bit tags, so
  // it is written as the clients write such a file.
  EXPECT_EQ(0xE0, before.version);
  EXPECT_EQ(0xE2, after.version);
  EXPECT_EQ(before.head.substr(1), after.head.substr(1));
  EXPECT_EQ(after.tags.size(), after.tagCount);
  EXPECT_EQ(before.tags.size() - 8, after.tags.size());
  ExpectSameTags(before.tags, after.tags);
  EXPECT_EQ("after the tags", after.trailer);
  EXPECT_TRUE(ClientGaps(after).empty());
}

TEST(MetRewriteTest, RebuildWritesTheGapsLastWithTheClientsNames) {
  SampleDownload download;
  download.gaps = {};
  // Gaps in id form and in single-byte string form, spread among other tags.
  download.extraTags = {SampleTag{0x83, "\x09", U32(100)}, SampleNumberTag("a", 1),
                        SampleTag{0x83, "\x0A", U32(200)}, SampleNumberTag("\x09", 500),
                        SampleNumberTag("b", 2),           SampleNumberTag("\x0A", 600),
                        SampleNumberTag("\x09", 77)};  // no end follows: dropped
  download.partHashes = true;
  const std::string old = EncodeSampleMet(download, SamplePartHashes(download));
  StringConsole console;
  std::optional<std::string> written =
      Rewrite(old, RewriteMode::Rebuild, console, RebuildData(download));
  ASSERT_TRUE(written) << console.output;
  DecodedMet before = DecodeMet(old), after = DecodeMet(*written);
  ASSERT_TRUE(after.ok);
  EXPECT_EQ(after.tags.size(), after.tagCount);
  // The gap tags go, the corrupted-parts list and three gaps come.
  ASSERT_EQ(before.tags.size() - 5 + 1 + 6, after.tags.size());
  std::vector<DecodedTag> kept(after.tags.begin(), after.tags.end() - 7);
  ExpectSameTags(before.tags, kept);
  const DecodedTag* added = &after.tags[after.tags.size() - 7];
  EXPECT_EQ("\x24", added[0].name);
  EXPECT_EQ("2", added[0].text);
  EXPECT_EQ("\x09" "0", added[1].name);
  EXPECT_EQ("\x0A" "0", added[2].name);
  EXPECT_EQ("\x09" "2", added[5].name);
  EXPECT_EQ("\x0A" "2", added[6].name);
  EXPECT_EQ((ClientGapList{{100, 200}, {500, 600}, {19456000, 29184000}}), ClientGaps(after));
}

TEST(MetRewriteTest, EndTagsWithoutAStartMakeNoGap) {
  SampleDownload download;
  download.gaps = {};
  download.extraTags = {SampleNumberTag("\x09", 100), SampleNumberTag("\x0A", 200),
                        SampleNumberTag("\x0A", 300), SampleNumberTag("\x09", 500),
                        SampleNumberTag("\x09", 600), SampleNumberTag("\x0A", 700)};
  download.partHashes = true;
  StringConsole console;
  std::optional<std::string> written =
      Rewrite(EncodeSampleMet(download, SamplePartHashes(download)), RewriteMode::Rebuild, console,
              RebuildData(download));
  ASSERT_TRUE(written);
  DecodedMet after = DecodeMet(*written);
  EXPECT_EQ(after.tags.size(), after.tagCount);
  EXPECT_EQ((ClientGapList{{100, 200}, {600, 700}, {19456000, 29184000}}), ClientGaps(after));
}

TEST(MetRewriteTest, AStartTagWithoutANumberMakesNoGap) {
  SampleDownload download;
  download.gaps = {};
  // A blob named like a gap start: a gap tag, dropped; the gap it starts
  // has no start a client could read, so it is not written either.
  download.extraTags = {SampleNumberTag("\x09", 100), SampleTag{0x07, "\x09", U32(0)},
                        SampleNumberTag("\x0A", 200), SampleNumberTag("\x09", 300),
                        SampleNumberTag("\x0A", 400)};
  download.partHashes = true;
  StringConsole console;
  std::optional<std::string> written =
      Rewrite(EncodeSampleMet(download, SamplePartHashes(download)), RewriteMode::Rebuild, console,
              RebuildData(download));
  ASSERT_TRUE(written);
  DecodedMet after = DecodeMet(*written);
  EXPECT_EQ(after.tags.size(), after.tagCount);
  EXPECT_EQ((ClientGapList{{300, 400}, {19456000, 29184000}}), ClientGaps(after));
}

TEST(MetRewriteTest, ThousandsOfGapsAreAllKept) {
  SampleDownload download;
  for (uint32_t i = 0; i < 1500; ++i) download.gaps.push_back({i * 20000ull, i * 20000ull + 100});
  StringConsole console;
  std::optional<std::string> written = Rewrite(EncodeSampleMet(download), RewriteMode::Rebuild, console);
  ASSERT_TRUE(written);
  DecodedMet after = DecodeMet(*written);
  ASSERT_EQ(1500u, ClientGaps(after).size());
  EXPECT_EQ(std::make_pair(uint64_t(1499 * 20000), uint64_t(1499 * 20000 + 100)), ClientGaps(after).back());
  EXPECT_EQ(std::string::npos, console.output.find("Error"));
}

TEST(MetRewriteTest, ABoundPast32BitsIsWrittenWhole) {
  // A gap that a check added above 4 GiB, in a 0xE0 file of a small size:
  // its end tag is 64-bit, never cut, and the version says so, as the
  // clients write it.
  SampleDownload download;
  download.gaps = {{10, 20}};
  const std::string old = EncodeSampleMet(download);
  MetImage image = MakeMetImage(old.data(), old.size());
  MetDecode decoded = DecodeMetFile(image);
  ASSERT_TRUE(decoded.file);
  GapTable gaps = RewritableGaps(*decoded.file);
  MetGap large;
  large.start = 9728000;
  large.end = 5000000000ull;
  large.startStored = large.endStored = true;
  gaps.push_back(large);
  std::optional<uint32_t> count = NewTagCount(*decoded.file, RewriteMode::Rebuild, gaps);
  ASSERT_TRUE(count);
  EncodedMet encoded = EncodeMetFile(image, *decoded.file, RewriteMode::Rebuild, *count, gaps);
  ASSERT_EQ("", encoded.problem);
  DecodedMet after = DecodeMet(encoded.bytes);
  ASSERT_TRUE(after.ok);
  EXPECT_EQ(0xE2, after.version);
  EXPECT_EQ(old.substr(1, 22), encoded.bytes.substr(1, 22));
  EXPECT_EQ(after.tags.size(), after.tagCount);
  EXPECT_EQ((ClientGapList{{10, 20}, {9728000, 5000000000ull}}), ClientGaps(after));
  const std::vector<uint8_t> types = {0x03, 0x03, 0x03, 0x0B};
  for (size_t i = 0; i < 4; ++i)
    EXPECT_EQ(types[i], after.tags[after.tags.size() - 4 + i].type) << i;

  // /complete writes no 64-bit tag, and the version stays.
  count = NewTagCount(*decoded.file, RewriteMode::Complete, gaps);
  encoded = EncodeMetFile(image, *decoded.file, RewriteMode::Complete, *count, gaps);
  EXPECT_EQ('\xE0', encoded.bytes[0]);
}

TEST(MetRewriteTest, HeadersAreCopiedAndPrinted) {
  std::string full = std::string("\xE0") + U32(7) + std::string(16, '\x11') + std::string("\x02\x00", 2) +
                     std::string(16, '\xAB') + std::string(16, '\xCD') + U32(0);
  StringConsole console;
  std::optional<std::string> written = Rewrite(full, RewriteMode::Complete, console);
  ASSERT_TRUE(written) << console.output;
  EXPECT_EQ(full, *written);
  EXPECT_EQ("Hash Id: 11111111111111111111111111111111\nHashed Part Count: 2\n"
            "Hash Id for Part 0: abababababababababababababababab\n"
            "Hash Id for Part 1: cdcdcdcdcdcdcdcdcdcdcdcdcdcdcdcd\nTag Count : 0\n" +
                GapBarText(1, 0),
            console.output);

  // A compact header, with the part hashes of its layout after the tags.
  std::string compact = std::string("\xE1\x01") + U32(9) + std::string(16, '\x22') + U32(2) +
                        std::string("\x03\x01\x00\x09", 4) + U32(5) +
                        std::string("\x03\x01\x00\x0A", 4) + U32(9) + "part hashes";
  StringConsole compactConsole;
  written = Rewrite(compact, RewriteMode::Complete, compactConsole);
  ASSERT_TRUE(written);
  EXPECT_EQ(compact.substr(0, 22) + U32(0) + "part hashes", *written);
  EXPECT_EQ("Hash Id: 22222222222222222222222222222222\nTag Count : 0\n" + GapBarText(1, 0),
            compactConsole.output);
}

TEST(MetRewriteTest, ACompactHeaderToldByItsFirstTagKeepsItsLayout) {
  // Version 0xE0 reads as compact when the bytes 24 to 27, the tag count's
  // high half and the first tag's type and name length, are 00 00 02 01.
  auto compact = [](const std::string& firstTag) {
    return std::string("\xE0\x01") + U32(9) + std::string(16, '\x22') + U32(2) + firstTag +
           std::string("\x03\x01\x00\x02", 4) + U32(1000);
  };
  const std::string named = std::string("\x02\x01\x00\x01\x01\x00" "a", 7);
  StringConsole kept;
  std::optional<std::string> written = Rewrite(compact(named), RewriteMode::Complete, kept);
  ASSERT_TRUE(written) << kept.output;
  EXPECT_EQ(compact(named), *written);

  // A first tag that is a gap tag (a text named 0x0A) is dropped; the new
  // first tag would end the probe, and the file would read as garbage.
  const std::string gapEnd = std::string("\x02\x01\x00\x0A\x01\x00" "a", 7);
  StringConsole dropped;
  EXPECT_FALSE(Rewrite(compact(gapEnd), RewriteMode::Complete, dropped));
  EXPECT_EQ(std::string("Hash Id: 22222222222222222222222222222222\nTag Count : 1\n"
                        "Error: the new file would be read with another header layout\n") +
                kUnchanged,
            dropped.output);
  StringConsole rebuilt;
  EXPECT_FALSE(Rewrite(compact(gapEnd), RewriteMode::Rebuild, rebuilt));

  // So is a name of one NUL byte, which reads, and is written, as an empty name.
  const std::string nulName = std::string("\x02\x01\x00\x00\x01\x00" "a", 7);
  StringConsole shortened;
  EXPECT_FALSE(Rewrite(compact(nulName), RewriteMode::Complete, shortened));
  EXPECT_NE(std::string::npos, shortened.output.find("another header layout"));
}

TEST(MetRewriteTest, FilesThatCannotBeRewrittenWhole) {
  StringConsole version;
  EXPECT_FALSE(Rewrite(std::string("\xE3") + std::string(30, '\0'), RewriteMode::Complete, version));
  EXPECT_EQ(std::string("Error: .met file version 0xe3 invalid!\n") + kUnchanged, version.output);

  std::string damaged = ClientSampleMet();
  damaged[27] = 0x0C;  // the first tag's type
  StringConsole unknown;
  EXPECT_FALSE(Rewrite(damaged, RewriteMode::Rebuild, unknown));
  EXPECT_EQ(std::string("Hash Id: 0123456789abcdef0123456789abcdef\nHashed Part Count: 0\n"
                        "CreateTag: Unkown Tag Type c\n") +
                kUnchanged,
            unknown.output);

  std::string sample = ClientSampleMet();
  StringConsole truncated;
  EXPECT_FALSE(Rewrite(sample.substr(0, sample.size() - 1), RewriteMode::Complete, truncated));
  EXPECT_NE(std::string::npos, truncated.output.find("Error: .met file is truncated at offset 188!\n"));
}

}  // namespace
