#include "met/tag_writer.h"

#include <gtest/gtest.h>

#include "met/tag_reader.h"
#include "sample/sample_download.h"
#include "tests/support/byte_text.h"

namespace {

std::string Written(const TagRecord& tag) {
  std::string out;
  std::string problem;
  EXPECT_TRUE(WriteTag(out, tag, &problem)) << problem;
  return out;
}

TagRecord Decoded(const std::string& bytes) {
  MetImage image = MakeMetImage(bytes.data(), bytes.size());
  ReadCursor cursor = 0;
  std::string problem;
  std::optional<TagRecord> tag = CreateTag(image, cursor, &problem);
  EXPECT_TRUE(tag) << problem;
  return tag ? *tag : TagRecord();
}

TEST(TagWriterTest, GapTagsAsTheClientsWriteThem) {
  uint32_t start = 0x12345, end = 0x20000;
  EXPECT_EQ(std::string("\x03\x02\x00\x09\x30\x45\x23\x01\x00", 9),
            Written(BuildTag(TagUInt32, "\x09" "0", &start, 4)));
  EXPECT_EQ(std::string("\x03\x02\x00\x0A\x30\x00\x00\x02\x00", 9),
            Written(BuildTag(TagUInt32, "\x0A" "0", &end, 4)));
}

TEST(TagWriterTest, NameForms) {
  uint32_t size = 30000000;
  TagRecord id = BuildTag(TagUInt32 | kTagIdFormBit, "\x02", &size, 4);
  EXPECT_FALSE(id.name);
  EXPECT_EQ("\x83\x02" + U32(size), Written(id));
  // A decoded id-form tag has no bit 7 in its type; it is written in id form all the same.
  EXPECT_EQ("\x83\x02" + U32(size), Written(Decoded("\x83\x02" + U32(size))));
  EXPECT_EQ(std::string("\x03\x00\x00", 3) + U32(size), Written(BuildTag(TagUInt32, "", &size, 4)));
}

TEST(TagWriterTest, EveryType) {
  const uint8_t bytes[] = {0x34, 0x12, 0x78, 0x56};
  EXPECT_EQ(std::string("\x08\x01\x00n\x34\x12", 6), Written(BuildTag(TagUInt16, "n", bytes, 0)));
  EXPECT_EQ(std::string("\x09\x01\x00n\x34", 5), Written(BuildTag(TagUInt8, "n", bytes, 0)));
  EXPECT_EQ(std::string("\x05\x01\x00n\x34", 5), Written(BuildTag(TagBool, "n", bytes, 0)));
  EXPECT_EQ(std::string("\x04\x01\x00n\x34\x12\x78\x56", 8),
            Written(BuildTag(TagFloat, "n", bytes, 0)));
  EXPECT_EQ(std::string("\x01\x01\x00n", 4) + "0123456789abcdef",
            Written(BuildTag(TagHash, "n", "0123456789abcdef", 0)));
  EXPECT_EQ(std::string("\x02\x01\x00n\x05\x00hello", 11),
            Written(BuildTag(TagString, "n", "hello", 0)));
  EXPECT_EQ(std::string("\x07\x01\x00n", 4) + U32(3) + "abc", Written(BuildTag(TagBlob, "n", "abc", 3)));
  EXPECT_EQ(std::string("\x07\x01\x00n", 4) + U32(0), Written(BuildTag(TagBlob, "n", "", 0)));
  EXPECT_EQ(std::string("\x06\x01\x00n", 4) + U16(12) + "\xA5\x0F",
            Written(BuildTag(TagBoolArray, "n", (U16(12) + "\xA5\x0F").data(), 0)));
}

TEST(TagWriterTest, DecodedTagsComeBackInTheirWidenedForm) {
  EXPECT_EQ(std::string("\x03\x01\x00p", 4) + U32(4660),
            Written(Decoded(std::string("\x08\x01\x00p", 4) + U16(0x1234))));
  EXPECT_EQ(std::string("\x03\x01\x00p", 4) + U32(255),
            Written(Decoded(std::string("\x09\x01\x00p\xFF", 5))));
  EXPECT_EQ(std::string("\x02\x01\x00s\x05\x00hello", 11),
            Written(Decoded(std::string("\x15\x01\x00shello", 9))));
  // Text after a NUL is gone once decoded, and the length shrinks with it.
  EXPECT_EQ(std::string("\x02\x01\x00s\x02\x00" "ab", 8),
            Written(Decoded(std::string("\x02\x01\x00s\x05\x00" "ab\0cd", 11))));
}

TEST(TagWriterTest, CanonicalTagsRoundTripByteForByte) {
  SampleDownload download;
  download.everyTagType = true;
  download.gaps = {{1, 2}};
  for (const SampleTag& sample : SampleTags(download)) {
    // Types the reader widens come back in another form; every other is exact.
    if (sample.type == 0x08 || sample.type == 0x09 || (sample.type >= 0x11 && sample.type <= 0x20))
      continue;
    std::string bytes = EncodeSampleTag(sample);
    EXPECT_EQ(bytes, Written(Decoded(bytes))) << sample.name;
  }
}

TEST(TagWriterTest, TypesWithoutEncodingAreReported) {
  TagRecord unknown;
  unknown.type = 0x0C;
  unknown.name = "x";
  std::string out = "keep";
  std::string problem;
  EXPECT_FALSE(WriteTag(out, unknown, &problem));
  EXPECT_EQ("keep", out);
  EXPECT_EQ("Error: WriteTag: Unkown Tag Type 12\n", problem);

  TagRecord badArray;  // bit count and bytes disagree: it would not read back
  badArray.type = TagBoolArray;
  badArray.name = "a";
  badArray.value = 16;
  badArray.data = "x";
  EXPECT_FALSE(WriteTag(out, badArray, &problem));
  EXPECT_EQ("keep", out);
}

}  // namespace
