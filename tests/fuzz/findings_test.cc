// What the fuzz targets of fuzz/ found, each with the input that found it,
// run through the same operation on the same small download.
#include <gtest/gtest.h>

#include <string>

#include "app/run_flow.h"
#include "platform/path.h"
#include "sample/sample_download.h"
#include "tests/support/memory_disk.h"
#include "tests/support/met_decoder.h"
#include "tests/support/string_console.h"

namespace {


// The data file of the rewrite target: 48 KiB of sample content.
std::string RebuildDataFile() {
  std::string bytes(48 * 1024, '\0');
  SampleBytes(7, 0, reinterpret_cast<uint8_t*>(&bytes[0]), bytes.size());
  return bytes;
}

// A whole rewrite run of `met` in memory, its data file beside it; the new
// file, when one took the old one's place.
std::optional<std::string> Rewrite(const std::string& met, const char* mode,
                                   StringConsole& console) {
  MemoryDisk disk;
  disk.PutFile("dl/001.part.met", met);
  // Named like the metadata file, or by a name tag in its folder.
  disk.PutFile("dl/001.part", RebuildDataFile());
  disk.PutFile(AppendPath("dl", "001.part"), RebuildDataFile());
  const char* args[] = {"partsweep", "dl/001.part.met", mode};
  if (RunPartsweep(3, args, disk, console) != 0) return std::nullopt;
  return *disk.FileBytes("dl/001.part.met");
}

// met_rewrite: four parts, none of whose stored hashes matches, and gap 0
// stored end before start ("\x09" "0" = 0x104A3800, "\x0A" "0" = 0x947000),
// touching part 1. The check grew that gap instead of adding one, and part
// 1 stayed outside every gap: the client would keep its corrupt bytes. (The
// growing itself is in the part check's tests.) The file gives no size and
// its part hashes do not hash to its file hash: no part is judged at all,
// and nothing is written.
TEST(FuzzFindingsTest, RebuildLeavesNoCorruptPartOutsideAGap) {
  static const char kInput[] =
      "\xe0\x0c\x3e\x16\x6b\x79\x22\x3f\x5b\x3f\x3e\xb9\xd8\x3a\xf1\xf5"
      "\x6c\xff\x54\xb4\x0c\x04\x00\x7f\x64\xf0\xf0\x0c\xf2\x72\x3e\xd3"
      "\x98\x30\x35\xf9\x95\x70\x42\xce\xd6\xcf\xe0\xd1\x6a\xe9\x31\xb7"
      "\x3c\x59\xd7\x30\x30\x31\x2e\x70\x61\x72\x74\x03\x01\x00\x08\xe3"
      "\x1b\x73\x01\x03\x01\x00\x14\x00\x00\x00\x00\x03\x01\x00\x18\x05"
      "\x00\x00\x00\x03\x01\x00\x19\x05\x00\x00\x00\x03\x01\x00\x05\x00"
      "\x00\x00\x00\x03\x01\x00\x53\x00\x00\x00\x00\x03\x02\x00\x09\x30"
      "\x00\x38\x4a\x10\x03\x02\x00\x0a\x30\x00\x70\x94\x00\x03\x02\x00"
      "\x09\x31\x00\xe0\x28\x01\x03\x02\x00\x0a\x31\x05\xe0\x28\x41";
  StringConsole console;
  EXPECT_FALSE(Rewrite(std::string(kInput, sizeof kInput - 1), "/rebuild", console));
  EXPECT_NE(std::string::npos,
            console.output.find("Error: the metadata file gives no size for the download: no "
                                "part is judged.\n"))
      << console.output;
  EXPECT_EQ(std::string::npos, console.output.find("Calculating"));
}

// met_rewrite: a compact 0xE0 header, told from the other layout by the
// probe 00 00 02 01 at bytes 24 to 27, whose last two bytes are the first
// tag's type and name length. That tag is a text named 0x0A, a gap tag to
// the tool, which /complete drops: the new first tag ended the probe, and
// the new file read as a full header, damaged. Such a file is not rewritten.
TEST(FuzzFindingsTest, ARewriteNeverChangesHowTheHeaderReads) {
  static const char kInput[] =
      "\xe0\x01\x0c\x3e\x16\x6b\x5a\x5a\x5a\x5a\x5a\x5a\x5a\x5a\x5a\x5a"
      "\x5a\x5a\x5a\x5a\x5a\x5a\x0d\x00\x00\x00\x02\x01\x00\x0a\x0e\x00"
      "test_movie.`vi\x03\x01\x00\x02\xe0\x93\x04\x00\x02\x01\x00\x12\x08\x00"
      "001.pa*t\x03\x01\x00\x08\x94\x2a\x00\x00\x03\x01\x00\x14\x00\x00\x00"
      "\x00\x03\x01\x00\x18\x05\x00\x00\x00\x03\x01\x00\x19\x05\x00\x00\x00"
      "\x03\x01\x00\x05\x00\x00\x00\x00\x03\x01\x00\x53\x00\x00\x00\x00\x03"
      "\x02\x00\x09\x30\x64\x00\x00\x00\x13\x03\x00\x0a\x30\xc8\x00\x00\x00"
      "\x03\x02\x00\x09\x30\xe8\x03\x00\x00\x03\x02\x00\x0a\x32\xd0\x6c\x04"
      "\x00" "DDDDDDDDDDDDDDDD";
  const std::string met(kInput, sizeof kInput - 1);
  ASSERT_TRUE(DecodeMet(met).ok);
  StringConsole console;
  EXPECT_FALSE(Rewrite(met, "/complete", console));
  EXPECT_NE(std::string::npos,
            console.output.find("Error: the new file would be read with another header layout\n"));
  StringConsole rebuild;
  EXPECT_FALSE(Rewrite(met, "/rebuild", rebuild));
}

}  // namespace
