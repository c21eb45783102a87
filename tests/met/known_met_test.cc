#include "met/known_met.h"

#include <gtest/gtest.h>

#include <functional>

#include "sample/sample_download.h"
#include "sample/sample_known.h"
#include "tests/support/byte_text.h"

namespace {

std::string Content(uint32_t seed, size_t size) {
  std::string bytes(size, '\0');
  SampleBytes(seed, 0, reinterpret_cast<uint8_t*>(&bytes[0]), size);
  return bytes;
}

// A file of one part and one of three, as aMule records them, and one of
// 5,000,000,000 bytes with made-up part hashes and the file hash they make.
const std::vector<SampleKnownRecord>& Records() {
  static const std::vector<SampleKnownRecord> records = [] {
    SampleKnownRecord large;
    large.name = "large.iso";
    large.size = 5000000000;
    large.time = 1700000000;
    large.partHashes = Content(9, 514 * 16);
    large.fileHash = SampleMd4(large.partHashes);
    return std::vector<SampleKnownRecord>{
        SampleKnownRecordOf("a.avi", 1796779075, HashSampleBytes(Content(1, 5000000))),
        SampleKnownRecordOf("b.avi", 1796779076, HashSampleBytes(Content(2, 20233777))), large};
  }();
  return records;
}

KnownMet Decoded(const std::string& bytes) {
  MetImage image = MakeMetImage(bytes.data(), bytes.size());
  return DecodeKnownMet(image);
}

std::string Joined(const KnownMet& known) {
  std::string lines = known.problem.empty() ? "" : known.problem + "\n";
  for (const KnownFile& file : known.files) {
    for (const std::string& problem : file.problems) lines += problem + "\n";
  }
  return lines + (known.damage.empty() ? "" : "damage: " + known.damage + "\n");
}

TEST(KnownMetTest, AGoodFileDecodesAsItWasWritten) {
  const KnownMet known = Decoded(EncodeSampleKnownMet(Records()));
  EXPECT_EQ("", Joined(known));
  EXPECT_EQ(0x0F, known.version);
  ASSERT_EQ(3u, known.files.size());
  const std::vector<uint32_t> partCounts = {0, 3, 514};
  for (size_t i = 0; i < 3; ++i) {
    const SampleKnownRecord& record = Records()[i];
    const KnownFile& file = known.files[i];
    SCOPED_TRACE(record.name);
    EXPECT_EQ(i + 1, file.record);
    EXPECT_EQ(record.name, file.name);
    EXPECT_EQ(record.size, file.size.value_or(0));
    EXPECT_EQ(record.time, file.modificationTime);
    EXPECT_EQ(Hex(record.fileHash), Hex(file.fileHash.data()));
    ASSERT_EQ(partCounts[i], file.partHashes.size());
    if (!file.partHashes.empty()) {
      EXPECT_EQ(Hex(record.partHashes.substr(16 * (partCounts[i] - 1))), Hex(file.partHashes.back().data()));
    }
    EXPECT_EQ(SampleBase32(record.aichRoot), file.aichRootText);
    EXPECT_EQ(record.aichRoot.empty() ? "" : Hex(record.aichRoot),
              file.aichRoot ? Hex(file.aichRoot->data(), 20) : "");
    // The statistics and the priority stay.
    EXPECT_EQ(5u, file.tags.size());
  }
  EXPECT_EQ(0x0E, Decoded(EncodeSampleKnownMet({Records()[0], Records()[1]})).version);
}

TEST(KnownMetTest, EachBadRecordIsSaidAndTheOthersStand) {
  struct Case {
    const char* what;
    std::string bytes;
    size_t files;
    std::string said;
  };
  const SampleKnownRecord& a = Records()[0];
  const std::string good = EncodeSampleKnownRecord(a);
  auto amid = [&](const SampleKnownRecord& bad) {
    return EncodeSampleKnownMet({a, bad, Records()[1]});
  };
  auto with = [&](std::function<void(SampleKnownRecord&)> change) {
    SampleKnownRecord bad = Records()[1];
    change(bad);
    return amid(bad);
  };
  SampleKnownRecord marked = a;  // eMule: the UTF-8 name behind a mark, then the ANSI one
  marked.name = "";
  marked.extraTags = {SampleTextTag("\x01", "\xEF\xBB\xBF" "caf\xC3\xA9.avi"), SampleTextTag("\x01", "caf\xE9.avi")};
  SampleKnownRecord ansi = a;  // an old eMule: the ANSI name alone
  ansi.name = "";
  ansi.extraTags = {SampleTextTag("\x01", "caf\xE9.avi")};
  const std::string cut = EncodeSampleKnownMet(Records());
  const std::string two = EncodeSampleKnownMet({a, a});
  const std::vector<Case> cases = {
      {"part hashes of another file",
       with([](SampleKnownRecord& r) { r.partHashes[40] ^= 1; }), 3,
       "record 2 ('b.avi'): its part hashes do not hash to its file hash\n"},
      {"no part hashes for three parts", with([](SampleKnownRecord& r) { r.partHashes.clear(); }), 3,
       "record 2 ('b.avi'): it holds 0 part hashes where its size of 20233777 bytes calls for 3\n"},
      {"part hashes for a file of one part",
       amid([&] { SampleKnownRecord r = a; r.partHashes = Records()[1].partHashes; r.fileHash = Records()[1].fileHash; return r; }()), 3,
       "record 2 ('a.avi'): it holds 3 part hashes where its size of 5000000 bytes calls for 0\n"},
      {"no size", with([](SampleKnownRecord& r) { r.sizeTag = false; }), 3,
       "record 2 ('b.avi'): it gives no size\n"},
      {"no name", with([](SampleKnownRecord& r) { r.name.clear(); }), 3, "record 2: it gives no name\n"},
      {"a folder in the name", with([](SampleKnownRecord& r) { r.name = "x/b.avi"; }), 3,
       "record 2 ('x/b.avi'): its name holds a path separator\n"},
      {"a Windows folder", with([](SampleKnownRecord& r) { r.name = "x\\b.avi"; }), 3,
       "record 2 ('x\\b.avi'): its name holds a path separator\n"},
      {"the parent folder", with([](SampleKnownRecord& r) { r.name = ".."; }), 3,
       "record 2 ('..'): its name names no file\n"},
      {"a tag of no known type",
       with([](SampleKnownRecord& r) { r.extraTags = {SampleTag{0x0C, "x", "1234"}}; }), 1,
       "damage: record 2 ('b.avi'): its tag 10 of 10, at offset 321, has a type no client writes\n"},
      {"cut inside the last record's tags", cut.substr(0, cut.size() - 10), 2,
       "damage: record 3 ('large.iso'): its tags break off after 6 of 8, at offset " +
           std::to_string(cut.size() - 10) + "\n"},
      {"cut inside its part hashes", cut.substr(0, cut.size() - 200 - 60), 2,
       "damage: record 3: its 514 part hashes run past the end of the file\n"},
      {"4,294,967,295 records announced", "\x0E" + U32(0xFFFFFFFF) + good, 1,
       "damage: it announces 4294967295 records but holds 1\n"},
      {"fewer records announced than held", two.substr(0, 1) + U32(1) + two.substr(5), 1,
       "damage: " + std::to_string(good.size()) + " bytes follow its last record, at offset " +
           std::to_string(5 + good.size()) + "\n"},
      {"a version no client writes", "\x0D" + U32(1) + good, 0,
       "its version byte 0x0d is none the clients write\n"},
      {"empty", "", 0, "it is empty\n"},
      {"a name behind a byte-order mark stands", amid(marked), 3, ""},
      {"an ANSI name alone is Latin-1", amid(ansi), 3, ""},
  };
  for (const Case& test : cases) {
    SCOPED_TRACE(test.what);
    const KnownMet known = Decoded(test.bytes);
    EXPECT_EQ(test.said, Joined(known));
    EXPECT_EQ(test.files, known.files.size());
    if (known.files.size() == 3) {
      EXPECT_TRUE(known.files[0].problems.empty() && known.files[2].problems.empty());
    }
  }
  EXPECT_EQ("caf\xC3\xA9.avi", Decoded(amid(marked)).files[1].name);
  EXPECT_EQ("caf\xC3\xA9.avi", Decoded(amid(ansi)).files[1].name);
}

TEST(KnownMetTest, AmuleTakesTheUniversalNameOfTheFileSystemsBytes) {
  // aMule writes "ü.bin" as C3 BC, then in its universal form C3 83 C2 BC.
  SampleKnownRecord record = Records()[0];
  record.name = "\xC3\xBC.bin";
  const std::string bytes = EncodeSampleKnownMet({record});
  EXPECT_NE(std::string::npos, bytes.find("\xC3\x83\xC2\xBC.bin"));
  EXPECT_EQ("\xC3\xBC.bin", Decoded(bytes).files[0].name);
  // A first name that is no UTF-8 gives way to a universal one that is.
  record.name.clear();
  record.extraTags = {SampleTextTag("\x01", "\xFC.bin"), SampleTextTag("\x01", "\xC3\x83\xC2\xBC.bin")};
  EXPECT_EQ("\xC3\xBC.bin", Decoded(EncodeSampleKnownMet({record})).files[0].name);
}

TEST(KnownMetTest, EveryCutOfAGoodFileIsSaid) {
  const std::string bytes = EncodeSampleKnownMet({Records()[0], Records()[1]});
  for (size_t length = 0; length < bytes.size(); ++length) {
    // An image of exactly `length` bytes: the sanitizers catch any read past it.
    MetImage image = MakeMetImage(bytes.data(), length);
    const KnownMet known = DecodeKnownMet(image);
    EXPECT_NE("", known.problem + known.damage) << length;
    EXPECT_LT(known.files.size(), 2u);
  }
}

}  // namespace
