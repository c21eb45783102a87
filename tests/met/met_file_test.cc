#include "met/met_file.h"

#include <gtest/gtest.h>

#include <vector>

#include "sample/sample_download.h"
#include "tests/support/byte_text.h"
#include "tests/support/client_sample.h"

namespace {

std::string EncodeTags(const std::vector<SampleTag>& tags) {
  std::string bytes;
  for (const SampleTag& tag : tags) bytes += EncodeSampleTag(tag);
  return bytes;
}

// A FullHeader file without part hashes holding these tags.
std::string FullMet(const std::vector<SampleTag>& tags) {
  return "\xE0" + U32(0x6B163E0C) + std::string(16, 'h') + U16(0) + U32(uint32_t(tags.size())) +
         EncodeTags(tags);
}

MetFile Decoded(const std::string& bytes) {
  MetImage image = MakeMetImage(bytes.data(), bytes.size());
  MetDecode decoded = DecodeMetFile(image);
  EXPECT_TRUE(decoded.file) << decoded.problem;
  return decoded.file.value_or(MetFile{});
}

SampleTag Start(uint32_t value) { return SampleNumberTag("\x09", value); }
SampleTag End(uint32_t value) { return SampleNumberTag("\x0A", value); }
SampleTag Text(uint8_t type, const std::string& name, const std::string& text) {
  return SampleTag{type, name, U16(uint32_t(text.size())) + text};
}

MetGap Gap(uint64_t start, uint64_t end, GapFault fault = GapFault::None, bool startStored = true,
           bool endStored = true) {
  MetGap gap;
  gap.start = start;
  gap.end = end;
  gap.fault = fault;
  gap.startStored = startStored;
  gap.endStored = endStored;
  return gap;
}

void ExpectGaps(const GapTable& expected, const GapTable& actual) {
  ASSERT_EQ(expected.size(), actual.size());
  for (size_t i = 0; i < expected.size(); ++i) {
    SCOPED_TRACE("gap " + std::to_string(i));
    EXPECT_EQ(expected[i].start, actual[i].start);
    EXPECT_EQ(expected[i].end, actual[i].end);
    EXPECT_EQ(static_cast<int>(expected[i].fault), static_cast<int>(actual[i].fault));
    EXPECT_EQ(expected[i].startStored, actual[i].startStored);
    EXPECT_EQ(expected[i].endStored, actual[i].endStored);
  }
}

TEST(MetFileTest, TheClientSampleDecodesWhole) {
  const std::string bytes = ClientSampleMet();
  MetFile file = Decoded(bytes);
  EXPECT_EQ("", file.damage);
  ASSERT_EQ(17u, file.tags.size());
  EXPECT_EQ(27u, file.tags[0].offset);
  EXPECT_EQ(bytes.size(), file.tags.back().end);
  EXPECT_EQ(bytes.size(), file.tagsEnd);
  EXPECT_EQ("test_movie.avi", file.tags[0].record.data);
  EXPECT_EQ(30000000u, file.fileSize);
  ExpectGaps({Gap(0, 30000000)}, file.gaps);
  // aMule writes no part-file-name tag.
  EXPECT_TRUE(file.partFileNames.empty());
}

TEST(MetFileTest, GapTagsPairAsTheyCome) {
  struct Case {
    const char* what;
    std::vector<SampleTag> tags;
    GapTable gaps;
  };
  const std::vector<Case> cases = {
      {"two gaps", {Start(100), End(200), Start(500), End(600)}, {Gap(100, 200), Gap(500, 600)}},
      {"a second start replaces the first; an end without a start",
       {Start(100), Start(150), End(200), End(600)},
       {Gap(150, 200), Gap(0, 600, GapFault::NoStart, false)}},
      {"a start without an end", {Start(100), End(200), Start(500)},
       {Gap(100, 200), Gap(500, 0, GapFault::NoEnd, true, false)}},
      {"an end of 0", {Start(300), End(0)}, {Gap(300, 0, GapFault::EndIsZero)}},
      {"an end before its start", {Start(300), End(200)}, {Gap(300, 200, GapFault::EndBeforeStart)}},
      {"empty", {Start(300), End(300)}, {Gap(300, 300)}},
      {"more ends than starts", {Start(1), End(2), End(3), Start(4), End(5)},
       {Gap(1, 2), Gap(0, 3, GapFault::NoStart, false), Gap(4, 5)}},
      {"id form, small integers; no gap names",
       {SampleTag{0x83, "\x09", U32(10)}, SampleTag{0x83, "\x0A", U32(20)},
        SampleTag{0x09, "\x09", "\x32"}, SampleTag{0x08, "\x0A", U16(60)},
        SampleNumberTag("\x09" "A", 1), SampleNumberTag("\x0A" "1x", 2)},
       {Gap(10, 20), Gap(50, 60)}},
      // As a client saves a file it loaded: its own indexed tags, and the
      // one-byte ones kept as unknown tags, which are no gaps to it.
      {"indexed tags beside one-byte ones",
       {SampleTag{0x83, "\x09", U32(10)}, SampleNumberTag("\x09" "0", 30),
        SampleTag{0x83, "\x0A", U32(20)}, SampleNumberTag("\x0A" "0", 40), Start(50), End(60),
        SampleNumberTag("\x09" "1", 70), SampleNumberTag("\x0A" "12", 80)},
       {Gap(30, 40), Gap(70, 80)}},
      // A text or a float in a gap tag must not become offset 0, or any other.
      {"bounds that are no numbers",
       {Text(0x02, "\x09", "100"), End(200), Start(300), SampleTag{0x04, "\x0A", U32(0x3FC00000)}},
       {Gap(0, 200, GapFault::StartNotNumber, false), Gap(300, 0, GapFault::EndNotNumber, true, false)}},
      {"a start without a number after one with it",
       {Start(1000), Text(0x02, "\x09", "x"), End(5000)},
       {Gap(0, 5000, GapFault::StartNotNumber, false)}},
  };
  for (const Case& test : cases) {
    SCOPED_TRACE(test.what);
    ExpectGaps(test.gaps, Decoded(FullMet(test.tags)).gaps);
  }
  const MetFile mixed = Decoded(FullMet(cases[8].tags));
  EXPECT_EQ(GapNaming::Indexed, mixed.gapNaming);
  EXPECT_EQ(4u, mixed.staleGapTags);
  EXPECT_EQ(GapNaming::OneByte, Decoded(FullMet(cases[7].tags)).gapNaming);
}

TEST(MetFileTest, SizeAndNamesAreTheNumbersAndTextsTheirTagsHold) {
  // A small integer is widened; a text is no size, a number no name.
  MetFile file = Decoded(FullMet({SampleNumberTag("\x02", 1024), SampleTag{0x08, "\x02", U16(1536)},
                                  Text(0x02, "\x02", "12345"), Text(0x02, "\x12", "a.part"),
                                  SampleTag{0x83, "\x12", U32(5)}, SampleTag{0x16, "\x12", "b.part"},
                                  Text(0x82, "\x12", "../c.part")}));
  EXPECT_EQ(1536u, file.fileSize);
  EXPECT_EQ((std::vector<std::string>{"a.part", "b.part", "../c.part"}), file.partFileNames);
}

TEST(MetFileTest, DecodingStopsAtTheFirstTagItCannotDecode) {
  // Type 0x0C has no known size: every tag behind it would come from
  // a wrong place.
  const std::string bytes =
      FullMet({Start(5), SampleTag{0x0C, "\x0A", U32(9)}, End(7)});
  MetFile file = Decoded(bytes);
  EXPECT_EQ("CreateTag: Unkown Tag Type c\n", file.damage);
  ASSERT_EQ(1u, file.tags.size());
  EXPECT_EQ(35u, file.tagsEnd);
  ExpectGaps({Gap(5, 0, GapFault::NoEnd, true, false)}, file.gaps);
}

TEST(MetFileTest, EveryTruncationOfTheClientSampleIsTold) {
  const std::string bytes = ClientSampleMet();
  for (size_t length = 0; length < bytes.size(); ++length) {
    // An image of exactly `length` bytes: the sanitizers catch any read past it.
    MetImage image = MakeMetImage(bytes.data(), length);
    MetDecode decoded = DecodeMetFile(image);
    const std::string told = decoded.file ? decoded.file->damage : decoded.problem;
    EXPECT_EQ("Error: .met file is truncated at offset " + std::to_string(length) + "!\n", told);
    if (decoded.file) {
      EXPECT_LT(decoded.file->tags.size(), 17u);
      EXPECT_LE(decoded.file->tagsEnd, length);
    }
  }
}

}  // namespace
