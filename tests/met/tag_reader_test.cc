#include "met/tag_reader.h"

#include <gtest/gtest.h>

#include <vector>

#include "tests/support/string_console.h"

namespace {

std::string U16(uint32_t v) { return {char(v), char(v >> 8)}; }
std::string U32(uint32_t v) { return {char(v), char(v >> 8), char(v >> 16), char(v >> 24)}; }
std::string Named(uint8_t type, const std::string& name) {
  return std::string(1, char(type)) + U16(uint32_t(name.size())) + name;
}

// Decodes the one tag in `bytes`; `used` is how far the cursor moved.
std::optional<TagRecord> Decode(const std::string& bytes, uint32_t* used = nullptr,
                                StringConsole* console = nullptr) {
  MetImage image = MakeMetImage(bytes.data(), bytes.size());
  StringConsole own;
  ReadCursor cursor = 0;
  std::string problem;
  std::optional<TagRecord> tag = CreateTag(image, cursor, &problem);
  (console ? *console : own).output += problem;
  if (used) *used = cursor;
  return tag;
}

TEST(TagReaderTest, NameForms) {
  uint32_t used;
  std::optional<TagRecord> id = Decode("\x83\x02" + U32(30000000), &used);
  ASSERT_TRUE(id);
  EXPECT_EQ(TagUInt32, id->type);
  EXPECT_FALSE(id->name);
  EXPECT_EQ(TagIdFileSize, id->nameId);
  EXPECT_EQ(30000000u, id->value);
  EXPECT_EQ(6u, used);
  EXPECT_TRUE(TagHasName(*id, TagIdFileSize));

  std::optional<TagRecord> named = Decode(Named(0x03, "\x09") + U32(100), &used);
  ASSERT_TRUE(named);
  EXPECT_EQ("\x09", *named->name);
  EXPECT_EQ(0, named->nameId);
  EXPECT_EQ(8u, used);
  EXPECT_TRUE(TagHasName(*named, TagIdGapStart));
  EXPECT_FALSE(TagHasName(*named, TagIdGapEnd));

  std::optional<TagRecord> idZero = Decode(std::string("\x83\x00", 2) + U32(1));
  ASSERT_TRUE(idZero);
  EXPECT_FALSE(idZero->name);
  for (uint8_t name : {TagIdFileSize, TagIdGapStart, TagIdGapEnd, TagIdPartFileName})
    EXPECT_FALSE(TagHasName(*idZero, name));
}

TEST(TagReaderTest, OneByteNamesAndTheClientsGapNames) {
  auto bears = [](const std::string& name, uint8_t id) {
    std::optional<TagRecord> tag = Decode(Named(0x03, name) + U32(1));
    return tag && TagHasName(*tag, id);
  };
  EXPECT_TRUE(bears("\x0A", TagIdGapEnd));
  EXPECT_TRUE(bears("\x09" "0", TagIdGapStart));
  EXPECT_TRUE(bears("\x0A" "17", TagIdGapEnd));
  EXPECT_TRUE(bears(std::string("\x09\x00", 2), TagIdGapStart));  // ends at its NUL
  EXPECT_FALSE(bears("\x09" "A", TagIdGapStart));
  EXPECT_FALSE(bears("\x09" "1x", TagIdGapStart));
  EXPECT_FALSE(bears("\x0A" "0", TagIdGapStart));
  EXPECT_FALSE(bears("", TagIdGapStart));
  // Only gap names carry an index; other names match exactly.
  EXPECT_TRUE(bears("\x02", TagIdFileSize));
  EXPECT_FALSE(bears("\x02" "0", TagIdFileSize));
  EXPECT_FALSE(bears("\x12" "5", TagIdPartFileName));
}

TEST(TagReaderTest, IntegerTypesAreWidened) {
  std::optional<TagRecord> u16 = Decode(Named(0x08, "p") + U16(0x1234));
  ASSERT_TRUE(u16);
  EXPECT_EQ(TagUInt32, u16->type);
  EXPECT_EQ(4660u, u16->value);
  std::optional<TagRecord> u8 = Decode(Named(0x09, "p") + "\xFF");
  ASSERT_TRUE(u8);
  EXPECT_EQ(TagUInt32, u8->type);
  EXPECT_EQ(255u, u8->value);
  std::optional<TagRecord> boolean = Decode(Named(0x05, "b") + "\x01");
  ASSERT_TRUE(boolean);
  EXPECT_EQ(TagBool, boolean->type);
  EXPECT_EQ(1u, boolean->value);
  std::optional<TagRecord> real = Decode(Named(0x04, "f") + U32(0x3FC00000));
  ASSERT_TRUE(real);
  EXPECT_EQ(TagFloat, real->type);
  EXPECT_EQ(0x3FC00000u, real->value);
}

TEST(TagReaderTest, StringsAndShortStrings) {
  uint32_t used;
  std::optional<TagRecord> five = Decode(Named(0x15, "s") + "hello+", &used);
  ASSERT_TRUE(five);
  EXPECT_EQ(TagString, five->type);
  EXPECT_EQ("hello", five->data);
  EXPECT_EQ(4u + 5u, used);
  std::optional<TagRecord> sixteen = Decode(Named(0x20, "s") + "0123456789ABCDEF", &used);
  ASSERT_TRUE(sixteen);
  EXPECT_EQ("0123456789ABCDEF", sixteen->data);
  EXPECT_EQ(4u + 16u, used);

  std::optional<TagRecord> empty = Decode(Named(0x02, "s") + U16(0), &used);
  ASSERT_TRUE(empty);
  EXPECT_EQ("", empty->data);
  EXPECT_EQ(4u + 2u, used);

  // A NUL ends the text for every later use, yet the whole text is consumed.
  std::optional<TagRecord> withNul = Decode(Named(0x02, "s") + U16(5) + std::string("ab\0cd", 5), &used);
  ASSERT_TRUE(withNul);
  EXPECT_EQ("ab", withNul->data);
  EXPECT_EQ(4u + 7u, used);
}

TEST(TagReaderTest, BuffersAndBitArrays) {
  uint32_t used;
  std::optional<TagRecord> hash = Decode(Named(0x01, "h") + "0123456789abcdef", &used);
  ASSERT_TRUE(hash);
  EXPECT_EQ("0123456789abcdef", hash->data);
  EXPECT_EQ(4u + 16u, used);

  std::optional<TagRecord> blob = Decode(Named(0x07, "b") + U32(3) + "\x01\x02\x03", &used);
  ASSERT_TRUE(blob);
  EXPECT_EQ(3u, blob->length);
  EXPECT_EQ("\x01\x02\x03", blob->data);
  std::optional<TagRecord> emptyBlob = Decode(Named(0x07, "b") + U32(0), &used);
  ASSERT_TRUE(emptyBlob);
  EXPECT_EQ(0u, emptyBlob->length);
  EXPECT_EQ(4u + 4u, used);

  // B bits take B / 8 + 1 bytes, kept so that they can be written back.
  std::optional<TagRecord> eight = Decode(Named(0x06, "a") + U16(8) + "\xFF\x01", &used);
  ASSERT_TRUE(eight);
  EXPECT_EQ(TagBoolArray, eight->type);
  EXPECT_EQ(8u, eight->value);
  EXPECT_EQ("\xFF\x01", eight->data);
  EXPECT_EQ(4u + 2u + 2u, used);
  ASSERT_TRUE(Decode(Named(0x06, "a") + U16(7) + "\x7F", &used));
  EXPECT_EQ(4u + 2u + 1u, used);
  ASSERT_TRUE(Decode(Named(0x06, "a") + U16(0) + std::string(1, '\0'), &used));
  EXPECT_EQ(4u + 2u + 1u, used);
}

TEST(TagReaderTest, UnknownTypesCannotBeDecoded) {
  for (uint8_t code : {0x00, 0x0C, 0x10, 0x21, 0x7F}) {
    StringConsole console;
    EXPECT_FALSE(Decode(Named(code, "x") + U32(5), nullptr, &console));
    char expected[64];
    std::snprintf(expected, sizeof expected, "CreateTag: Unkown Tag Type %x\n", code);
    EXPECT_EQ(expected, console.output);
  }
}

}  // namespace
