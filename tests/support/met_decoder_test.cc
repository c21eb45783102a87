#include "tests/support/met_decoder.h"

#include <gtest/gtest.h>

#include "tests/support/byte_text.h"

namespace {

// A tag with a string-form name.
std::string Tag(uint8_t type, const std::string& name, const std::string& value) {
  return std::string(1, char(type)) + Le(name.size(), 2) + name + value;
}

// A full header (the only layout of 0xE2) with `parts` part hashes and these tags.
std::string Met(uint8_t version, uint16_t parts, const std::vector<std::string>& tags) {
  std::string met(1, char(version));
  met += Le(0x6B163E0C, 4) + std::string(16, '\x5A') + Le(parts, 2);
  for (uint16_t i = 0; i < parts; ++i) met += std::string(16, char('a' + i));
  met += Le(tags.size(), 4);
  for (const std::string& tag : tags) met += tag;
  return met;
}

TEST(MetDecoderTest, TheLargeVersionHasTheFullHeader) {
  const std::string met = Met(0xE2, 2, {Tag(0x0B, "\x02", Le(5000000000, 8))});
  DecodedMet decoded = DecodeMet(met);
  ASSERT_TRUE(decoded.ok);
  EXPECT_EQ(0xE2, decoded.version);
  EXPECT_EQ(met.substr(0, 1 + 4 + 16 + 2 + 32), decoded.head);
  ASSERT_EQ(1u, decoded.tags.size());
  EXPECT_EQ(5000000000u, decoded.tags[0].number);

  // An 0xE0 file in the compact layout, told by 00 00 02 01 at offsets 24 to
  // 27. As 0xE2 the same bytes read as the full header, whose tag count is
  // then far too large.
  std::string probe = std::string("\xE0\x01\x0C\x3E\x16\x6B", 6) + std::string(16, '\x5A') +
                      Le(1, 4) + Tag(0x02, "\x01", Le(1, 2) + "x");
  ASSERT_EQ(std::string("\x00\x00\x02\x01", 4), probe.substr(24, 4));
  EXPECT_TRUE(DecodeMet(probe).ok);
  probe[0] = '\xE2';
  EXPECT_FALSE(DecodeMet(probe).ok);
  probe[0] = '\xE3';
  EXPECT_FALSE(DecodeMet(probe).ok);
}

TEST(MetDecoderTest, Uint64AndBsobTags) {
  DecodedMet decoded = DecodeMet(Met(0xE0, 0, {
      Tag(0x0B, "big", Le(0x0102030405060708, 8)),
      Tag(0x0A, "bsob", "\x03" "abc"),
      Tag(0x0A, "empty", std::string(1, '\0')),
      std::string("\x8B\x16", 2) + Le(4294967296, 8),  // id form
      Tag(0x03, "small", Le(0xFFFFFFFF, 4)),
  }));
  ASSERT_TRUE(decoded.ok);
  ASSERT_EQ(5u, decoded.tags.size());
  EXPECT_EQ(0x0B, decoded.tags[0].type);
  EXPECT_EQ(0x0102030405060708u, decoded.tags[0].number);
  EXPECT_EQ(Le(0x0102030405060708, 8), decoded.tags[0].raw);
  EXPECT_EQ(0x0A, decoded.tags[1].type);
  EXPECT_EQ("\x03" "abc", decoded.tags[1].raw);
  EXPECT_EQ(std::string(1, '\0'), decoded.tags[2].raw);
  EXPECT_TRUE(decoded.tags[3].idForm);
  EXPECT_EQ(4294967296u, decoded.tags[3].number);
  EXPECT_EQ(0xFFFFFFFFu, decoded.tags[4].number);
  EXPECT_TRUE(decoded.trailer.empty());

  // Cut inside the value of either type: damaged.
  EXPECT_FALSE(DecodeMet(Met(0xE2, 0, {Tag(0x0B, "big", Le(1, 7))})).ok);
  EXPECT_FALSE(DecodeMet(Met(0xE0, 0, {Tag(0x0A, "bsob", "\x04" "abc")})).ok);
}

TEST(MetDecoderTest, GapsAreReadAsTheClientsReadThem) {
  DecodedMet decoded = DecodeMet(Met(0xE2, 0, {
      Tag(0x0B, "\x0A" "10", Le(5000000000, 8)),  // end before start, any width
      Tag(0x09, "\x09" "10", "\x07"),
      Tag(0x0B, "\x09" "9", Le(4294967296, 8)),
      Tag(0x08, "\x0A" "9", Le(0x1234, 2)),
      Tag(0x03, "\x09" "01", Le(300, 4)),          // index 1, as the clients parse it
      Tag(0x03, "\x0A" "1", Le(400, 4)),
      Tag(0x03, "\x09" "2", Le(500, 4)),           // its end is missing
      Tag(0x07, "\x0A" "2", Le(0, 4)),             // no integer: no gap tag
      Tag(0x03, "\x09", Le(1, 4)),                 // one byte: a name id, no gap
      std::string("\x83\x0A", 2) + Le(2, 4),       // the id form is none either
      Tag(0x03, "\x0A" "3x", Le(3, 4)),            // not a decimal index
      Tag(0x03, "\x09" "123456789012345678901234567890", Le(600, 4)),
  }));
  ASSERT_TRUE(decoded.ok);
  EXPECT_EQ((ClientGapList{{300, 400}, {500, 0}, {4294967296, 0x1234}, {7, 5000000000},
                           {600, 0}}),
            ClientGaps(decoded));
  EXPECT_TRUE(InsideOneGap(ClientGaps(decoded), 4294967296, 4294967296 + 1));
  EXPECT_TRUE(InsideOneGap(ClientGaps(decoded), 4999999999, 5000000000));
  EXPECT_FALSE(InsideOneGap(ClientGaps(decoded), 6, 5000000000));
}

TEST(MetDecoderTest, FileSizeInAnyIntegerWidth) {
  EXPECT_EQ(std::nullopt, ClientFileSize(DecodeMet(Met(0xE0, 0, {}))));
  EXPECT_EQ(std::optional<uint64_t>(5000000000),
            ClientFileSize(DecodeMet(Met(0xE2, 0, {Tag(0x0B, "\x02", Le(5000000000, 8))}))));
  EXPECT_EQ(std::optional<uint64_t>(30000000),
            ClientFileSize(DecodeMet(Met(0xE0, 0, {Tag(0x03, "\x02", Le(30000000, 4))}))));
  // The last one counts, in either name form; a text of that name is no size.
  EXPECT_EQ(std::optional<uint64_t>(200),
            ClientFileSize(DecodeMet(Met(0xE0, 0, {
                Tag(0x08, "\x02", Le(100, 2)),
                std::string("\x89\x02", 2) + "\xC8",
                Tag(0x02, "\x02", Le(1, 2) + "9"),
                Tag(0x03, "\x02" "x", Le(300, 4)),
            }))));
}

}  // namespace
