#include "met/tag_reader.h"

#include <gtest/gtest.h>

#include <vector>

#include "tests/support/byte_text.h"
#include "tests/support/string_console.h"

namespace {

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

// One tag of every value type, and what it decodes to: small integers
// widened to 32 bits, short strings to strings.
struct DecodeCase {
  const char* what;
  std::string bytes;
  uint8_t type;
  uint64_t value;
  std::string data;
  uint32_t length;
  uint32_t used;
};

TEST(TagReaderTest, EveryValueTypeDecodes) {
  const DecodeCase cases[] = {
      {"16-bit integer", Named(0x08, "p") + U16(0x1234), 0x03, 4660, "", 0, 6},
      {"8-bit integer", Named(0x09, "p") + "\xFF", 0x03, 255, "", 0, 5},
      {"bool", Named(0x05, "b") + "\x01", 0x05, 1, "", 0, 5},
      {"float", Named(0x04, "f") + U32(0x3FC00000), 0x04, 0x3FC00000, "", 0, 8},
      {"short string", Named(0x15, "s") + "hello+", 0x02, 0, "hello", 0, 9},
      {"longest short string", Named(0x20, "s") + "0123456789ABCDEF", 0x02, 0,
       "0123456789ABCDEF", 0, 20},
      {"empty string", Named(0x02, "s") + U16(0), 0x02, 0, "", 0, 6},
      // A NUL ends the text for every later use, yet the whole text is consumed.
      {"string with a NUL", Named(0x02, "s") + U16(5) + std::string("ab\0cd", 5), 0x02, 0, "ab",
       0, 11},
      {"hash", Named(0x01, "h") + "0123456789abcdef", 0x01, 0, "0123456789abcdef", 0, 20},
      {"blob", Named(0x07, "b") + U32(3) + "\x01\x02\x03", 0x07, 0, "\x01\x02\x03", 3, 11},
      {"empty blob", Named(0x07, "b") + U32(0), 0x07, 0, "", 0, 8},
      // B bits take B / 8 + 1 bytes, kept so that they can be written back.
      {"8 bits", Named(0x06, "a") + U16(8) + "\xFF\x01", 0x06, 8, "\xFF\x01", 0, 8},
      {"7 bits", Named(0x06, "a") + U16(7) + "\x7F", 0x06, 7, "\x7F", 0, 7},
      {"no bits", Named(0x06, "a") + U16(0) + std::string(1, '\0'), 0x06, 0, std::string(1, '\0'),
       0, 7},
  };
  for (const DecodeCase& c : cases) {
    SCOPED_TRACE(c.what);
    uint32_t used = 0;
    std::optional<TagRecord> tag = Decode(c.bytes, &used);
    ASSERT_TRUE(tag);
    EXPECT_EQ(c.type, tag->type);
    EXPECT_EQ(c.value, tag->value);
    EXPECT_EQ(c.data, tag->data);
    EXPECT_EQ(c.length, tag->length);
    EXPECT_EQ(c.used, used);
  }
}

TEST(TagReaderTest, UnknownTypesCannotBeDecoded) {
  const std::pair<uint8_t, const char*> cases[] = {
      {0x00, "CreateTag: Unkown Tag Type 0\n"},  {0x0C, "CreateTag: Unkown Tag Type c\n"},
      {0x10, "CreateTag: Unkown Tag Type 10\n"}, {0x21, "CreateTag: Unkown Tag Type 21\n"},
      {0x7F, "CreateTag: Unkown Tag Type 7f\n"}};
  for (const auto& [code, message] : cases) {
    StringConsole console;
    EXPECT_FALSE(Decode(Named(code, "x") + U32(5), nullptr, &console));
    EXPECT_EQ(message, console.output);
  }
}

}  // namespace
