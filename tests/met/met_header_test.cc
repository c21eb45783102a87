#include "met/met_header.h"

#include <gtest/gtest.h>

#include "tests/support/byte_text.h"
#include "tests/support/string_console.h"

namespace {

std::string Hash(char fill) { return std::string(16, fill); }
std::optional<MetHeader> Read(const std::string& bytes, StringConsole& console) {
  MetImage image = MakeMetImage(bytes.data(), bytes.size());
  HeaderRead read = ReadMetHeader(image);
  console.output += read.problem;
  return read.header;
}

// version, word at 1, hash, part count 0, tag count, then the given tail.
std::string FullBytes(uint8_t version, uint32_t wordAtOne, uint32_t tagCount,
                      const std::string& tail = "") {
  return std::string(1, char(version)) + U32(wordAtOne) + Hash('h') + U16(0) + U32(tagCount) +
         tail;
}

// version, opaque byte, opaque word, hash, tag count, then the given tail.
std::string CompactBytes(uint8_t version, uint8_t opaqueByte, uint32_t word, uint32_t tagCount,
                         const std::string& tail) {
  return std::string(1, char(version)) + char(opaqueByte) + U32(word) + Hash('c') +
         U32(tagCount) + tail;
}

TEST(MetHeaderTest, FullHeaderWithPartHashes) {
  std::string bytes = std::string("\xE0") + U32(0x6B163E0C) + Hash('f') + U16(2) + Hash('1') +
                      Hash('2') + U32(7);
  StringConsole console;
  std::optional<MetHeader> header = Read(bytes, console);
  ASSERT_TRUE(header);
  EXPECT_EQ(HeaderLayout::FullHeader, header->layout);
  EXPECT_EQ(0x6B163E0Cu, header->opaqueWord);
  EXPECT_EQ(Hash('f'), std::string(reinterpret_cast<char*>(header->fileHash), 16));
  EXPECT_EQ(2, header->partCount);
  EXPECT_EQ(23u, header->partHashes);
  EXPECT_EQ(7u, header->tagCount);
  EXPECT_EQ(59u, header->firstTag);
  MetImage image = MakeMetImage(bytes.data(), bytes.size());
  EXPECT_EQ(Hash('2'), std::string(reinterpret_cast<const char*>(PartHash(image, *header, 1)), 16));
  EXPECT_EQ("", console.output);
}

TEST(MetHeaderTest, LayoutRules) {
  const std::string probe("\x00\x00\x02\x01", 4);
  StringConsole console;
  // 0xE1 with zero bytes 1..4 is a full header, whatever the probe says.
  std::string e1Zero = FullBytes(0xE1, 0, 0, std::string(8, 't'));
  e1Zero.replace(24, 4, probe);
  EXPECT_EQ(HeaderLayout::FullHeader, Read(e1Zero, console)->layout);
  // 0xE1 with anything at offset 1 is compact, with or without the probe.
  EXPECT_EQ(HeaderLayout::CompactHeader, Read(CompactBytes(0xE1, 1, 0, 3, "xx"), console)->layout);
  EXPECT_EQ(HeaderLayout::CompactHeader,
            Read(CompactBytes(0xE1, 0, 5, 3, "\x02\x01"), console)->layout);

  // 0xE0 is compact only with the probe and a non-zero word at offset 1. A
  // tag count of 3 puts 00 00 at offsets 24 and 25; the tail adds 02 01.
  std::string e0Probe = CompactBytes(0xE0, 9, 0x04030201, 3, "\x02\x01");
  ASSERT_EQ(probe, e0Probe.substr(24, 4));
  std::optional<MetHeader> compact = Read(e0Probe, console);
  ASSERT_TRUE(compact);
  EXPECT_EQ(HeaderLayout::CompactHeader, compact->layout);
  EXPECT_EQ(9, compact->opaqueByte);
  EXPECT_EQ(0x04030201u, compact->opaqueWord);
  EXPECT_EQ(Hash('c'), std::string(reinterpret_cast<char*>(compact->fileHash), 16));
  EXPECT_EQ(3u, compact->tagCount);
  EXPECT_EQ(26u, compact->firstTag);
  EXPECT_EQ(0, compact->partCount);

  // Read as full headers, these have no part hashes once bytes 21 and 22
  // are zero; neither byte is part of the probe.
  e0Probe[21] = e0Probe[22] = 0;
  std::string e0ProbeZero = e0Probe;
  e0ProbeZero.replace(1, 4, std::string(4, '\0'));
  EXPECT_EQ(HeaderLayout::FullHeader, Read(e0ProbeZero, console)->layout);

  std::string e0OtherProbe = e0Probe;
  e0OtherProbe[27] = 0x02;
  EXPECT_EQ(HeaderLayout::FullHeader, Read(e0OtherProbe, console)->layout);
  EXPECT_EQ("", console.output);
}

TEST(MetHeaderTest, TagCountSitsBehindThePartHashes) {
  StringConsole console;
  std::optional<MetHeader> none = Read(FullBytes(0xE0, 1, 4), console);
  ASSERT_TRUE(none);
  EXPECT_EQ(4u, none->tagCount);
  EXPECT_EQ(27u, none->firstTag);

  std::string most = std::string("\xE0") + U32(1) + Hash('h') + U16(65535) +
                     std::string(16u * 65535, 'p') + U32(9);
  std::optional<MetHeader> header = Read(most, console);
  ASSERT_TRUE(header);
  EXPECT_EQ(65535, header->partCount);
  EXPECT_EQ(9u, header->tagCount);
  EXPECT_EQ(1048587u, header->firstTag);
}

TEST(MetHeaderTest, ShortFileWithoutRoomForTheProbeIsFull) {
  // 27 bytes: no part hashes and no tags. Nothing is read past its end.
  StringConsole console;
  std::optional<MetHeader> header = Read(FullBytes(0xE0, 0x11, 0), console);
  ASSERT_TRUE(header);
  EXPECT_EQ(HeaderLayout::FullHeader, header->layout);
  EXPECT_EQ(0u, header->tagCount);
}

TEST(MetHeaderTest, InvalidVersion) {
  StringConsole console;
  EXPECT_FALSE(Read(FullBytes(0xE3, 1, 0), console));
  EXPECT_FALSE(Read(FullBytes(0x00, 1, 0), console));
  EXPECT_EQ("Error: .met file version 0xe3 invalid!\nError: .met file version 0 invalid!\n",
            console.output);
}

TEST(MetHeaderTest, EveryTruncationIsReported) {
  std::string full = std::string("\xE0") + U32(7) + Hash('h') + U16(1) + Hash('p') + U32(0);
  std::string compact = CompactBytes(0xE1, 1, 2, 0, "");
  for (const std::string& bytes : {full, compact}) {
    for (size_t length = 0; length < bytes.size(); ++length) {
      StringConsole console;
      EXPECT_FALSE(Read(bytes.substr(0, length), console)) << length;
      EXPECT_EQ("Error: .met file is truncated at offset " + std::to_string(length) + "!\n",
                console.output);
    }
  }
}

}  // namespace
