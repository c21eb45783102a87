#include "app/run_flow.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "tests/support/usage_text.h"
#include "platform/console.h"
#include "platform/disk.h"
#include "tests/support/error_codes.h"
#include "sample/sample_download.h"
#include "tests/support/faulty_disk.h"
#include "tests/support/memory_disk.h"
#include "tests/support/met_decoder.h"
#include "tests/support/small_download.h"
#include "tests/support/string_console.h"
#include "tests/support/temp_folder.h"

namespace {

int RunWith(std::vector<const char*> args, StringConsole& console, Disk& disk = SystemDisk()) {
  return RunPartsweep(static_cast<int>(args.size()), args.data(), disk, console);
}

TEST(RunFlowTest, Usage) {
  StringConsole usage;
  EXPECT_EQ(-1, RunWith({"partsweep"}, usage));
  EXPECT_EQ(ExpectedUsageText(), usage.output);
  EXPECT_NE('\n', usage.output.back());
}

TEST(RunFlowTest, ASwitchBeforeThePathIsASwitch) {
  StringConsole console;
  EXPECT_EQ(1, RunWith({"partsweep", "--rebuild", "X.part.met"}, console));
  EXPECT_EQ("Error opening 'X.part.met' (Error " + std::to_string(kErrorNotFound) +
                ")\nPress any key\n",
            console.output);
  EXPECT_EQ(1, console.keyWaits);
}

TEST(RunFlowTest, AnUnknownSwitchOrNoPathGivesTheUsage) {
  StringConsole unknown;
  EXPECT_EQ(-1, RunWith({"partsweep", "X.part.met", "--complet"}, unknown));
  EXPECT_EQ(std::string("Error: unknown switch '--complet'\n") + ExpectedUsageText(),
            unknown.output);
  StringConsole noPath;
  EXPECT_EQ(-1, RunWith({"partsweep", "--rebuild"}, noPath));
  EXPECT_EQ(ExpectedUsageText(), noPath.output);
  StringConsole version;
  EXPECT_EQ(0, RunWith({"partsweep", "-V"}, version));
  EXPECT_EQ("partsweep 1.4.0\n", version.output);
}

TEST(RunFlowTest, ABatchGoesOnAfterAFailureAndNeverWaitsForAKey) {
  MemoryDisk disk;
  SampleDownload download;
  download.fileSize = 1000;
  download.gaps = {};
  download.partFileNameTag = false;
  disk.PutFile("dl/1.part.met", EncodeSampleMet(download));
  disk.PutFile("dl/1.part", std::string(1000, 'd'));
  StringConsole console;
  EXPECT_EQ(1, RunWith({"partsweep", "dl/none.part.met", "dl/1.part.met"}, console, disk));
  EXPECT_EQ(0, console.keyWaits);
  EXPECT_EQ(0u, console.output.find("Download 1 of 2: 'dl/none.part.met'\nError opening "
                                    "'dl/none.part.met' (Error " + std::to_string(kErrorNotFound) +
                                    ")\n\nDownload 2 of 2: 'dl/1.part.met'\nHash Id: "))
      << console.output;
  EXPECT_NE(std::string::npos, console.output.find("Cleaned space in 'dl/1.part': 0 bytes\n"));
}

TEST(RunFlowTest, ListingStatusSaysWhetherEveryGapWasCleared) {
  TempFolder folder;
  // Bytes in the gap: the zero fill writes only over what is not zero yet.
  ASSERT_TRUE(WriteSmallDownload(folder.path(), {{1000, 2000}}, SampleGapContent::Data));
  const std::string met = folder.Path("001.part.met");

  StringConsole cleared;
  EXPECT_EQ(0, RunWith({"partsweep", met.c_str(), "--nosparse"}, cleared));
  EXPECT_NE(std::string::npos, cleared.output.find(" ... Zeroing 100 %\n"));

  // A gap the disk failed on is reported, and so is the run.
  ASSERT_TRUE(WriteSmallDownload(folder.path(), {{1000, 2000}}, SampleGapContent::Data));
  FaultyDisk failing;
  failing.FailCall(DiskOp::Write, 1, kErrorIo);
  StringConsole failed;
  EXPECT_EQ(1, RunWith({"partsweep", met.c_str(), "--nosparse"}, failed, failing));
  EXPECT_NE(std::string::npos, failed.output.find(" ... Error " + std::to_string(kErrorIo) + "\n"));
}

TEST(RunFlowTest, ARewriteTheDiskLetsDownLeavesTheFileAndFails) {
  // Every create, write, flush, backup link and rename of a rewrite in turn.
  for (DiskOp op : {DiskOp::CreateNew, DiskOp::Write, DiskOp::Flush, DiskOp::LinkNoReplace,
                    DiskOp::MoveReplace, DiskOp::FlushFolder}) {
    SCOPED_TRACE(static_cast<int>(op));
    TempFolder folder;
    ASSERT_TRUE(WriteSmallDownload(folder.path(), {{1000, 2000}}));
    const std::string met = folder.Path("001.part.met");
    const std::string old = ReadFileBytes(met);
    FaultyDisk disk;
    disk.FailCall(op, 1, kErrorNoSpace);
    StringConsole console;
    EXPECT_EQ(1, RunWith({"partsweep", met.c_str(), "--complete"}, console, disk));
    EXPECT_EQ(old, ReadFileBytes(met));
    EXPECT_EQ("001.part 001.part.met", ListFolder(folder.path()));
    EXPECT_NE(std::string::npos, console.output.find("was not rewritten, it is unchanged.\n"));
  }
}

TEST(RunFlowTest, AMetadataFileReplacedWhileTheRunWorksIsNotOverwritten) {
  // A client saves the download while the parts are hashed: its file must
  // stay, not go to a backup behind one worked out from the old one.
  for (const char* mode : {"--rebuild", "--complete"}) {
    SCOPED_TRACE(mode);
    TempFolder folder;
    SampleDownload download;
    download.partHashes = true;
    download.corruptParts = {1};
    std::string error;
    ASSERT_TRUE(WriteSampleDownload(folder.path(), download, &error)) << error;
    const std::string met = folder.Path("001.part.met");
    const std::string saved = ReadFileBytes(met) + "saved by the client";
    FaultyDisk disk;
    // The holder is asked again just before the install.
    disk.BeforeCall(DiskOp::CheckNotInUse, 2, [&] { ASSERT_TRUE(WriteFileBytes(met, saved)); });
    StringConsole console;
    EXPECT_EQ(1, RunWith({"partsweep", met.c_str(), mode}, console, disk));
    EXPECT_NE(std::string::npos, console.output.find("Error: '" + met + "' was replaced by another "
                                                     "program while partsweep worked on it"))
        << console.output;
    EXPECT_EQ(saved, ReadFileBytes(met));
    EXPECT_EQ("001.part 001.part.met", ListFolder(folder.path()));
  }
}

TEST(RunFlowTest, AnImportCutBetweenTheDataAndTheMetadataFileLeavesTheOldDownload) {
  // The parts are written into gaps first; when the new metadata file
  // cannot be made, the old one still lists every byte written as a gap,
  // which the client never reads as data.
  TempFolder folder;
  SampleDownload download;
  download.partHashes = true;
  download.gaps = {{9728000, 19456000}};
  std::string error;
  ASSERT_TRUE(WriteSampleDownload(folder.path(), download, &error)) << error;
  std::string copy(download.fileSize, '\0');
  SampleContent(download, 0, reinterpret_cast<uint8_t*>(&copy[0]), copy.size());
  ASSERT_TRUE(WriteFileBytes(folder.Path("copy.bin"), copy));
  const std::string met = ReadFileBytes(folder.Path("001.part.met"));
  FaultyDisk disk;
  disk.FailCall(DiskOp::CreateNew, 1, kErrorNoSpace);
  StringConsole console;
  const std::string copyPath = folder.Path("copy.bin"), metPath = folder.Path("001.part.met");
  EXPECT_EQ(1, RunWith({"partsweep", "--import", copyPath.c_str(), metPath.c_str()}, console, disk));
  EXPECT_EQ(met, ReadFileBytes(metPath));
  EXPECT_TRUE(copy == ReadFileBytes(folder.Path("001.part")));  // the data went in
  EXPECT_EQ((ClientGapList{{9728000, 19456000}}), ClientGaps(DecodeMet(met)));
  EXPECT_EQ("001.part 001.part.met copy.bin", ListFolder(folder.path()));
}

TEST(RunFlowTest, ADamagedTagStreamIsToldAsEachLookMeetsIt) {
  // Type 0x0C has no known size: every tag behind it comes from a wrong
  // place. The gap in front of it is still cleared, and the run fails.
  auto tag = [](const char* name, uint32_t value) {
    return SampleNumberTag(name, value);
  };
  SampleDownload download;
  download.fileSize = 1000;
  download.partFileNameTag = false;
  download.gaps = {};
  download.extraTags = {tag("\x09", 100), tag("\x0A", 200), SampleTag{0x0C, "x", std::string(4, 'x')},
                        tag("\x09", 300), tag("\x0A", 400)};
  MemoryDisk disk;
  disk.PutFile("dl/X.part.met", EncodeSampleMet(download));
  disk.PutFile("dl/X.part", std::string(1000, 'd'));
  StringConsole console;
  EXPECT_EQ(1, RunWith({"partsweep", "dl/X.part.met", "--nosparse"}, console, disk));
  EXPECT_EQ("Hash Id: 076332448cc70ad64409da8a6c70ceea\nHashed Part Count: 0\nTag Count : 13\n"
                "CreateTag: Unkown Tag Type c\nGap Count: 1 (File Size: 1000 bytes)\n"
                "CreateTag: Unkown Tag Type c\nGaps in 'dl/X.part':\n"
                "\t100 bytes ... 199 bytes (100 bytes) ... Zeroing 100 %\n"
                "Cleaned space in 'dl/X.part': 0 bytes\n"
                "Written over with zeros in 'dl/X.part': 100 bytes, whose space the file system "
                "keeps\n",
            console.output);
  EXPECT_EQ(std::string(100, 'd') + std::string(100, '\0') + std::string(800, 'd'),
            *disk.FileBytes("dl/X.part"));
}

TEST(RunFlowTest, TheListingAndARebuildReadEveryGapAlike) {
  // Damaged gap tags of every kind. Whatever a listing clears is exactly
  // what a rebuild writes back as a range, and what one leaves alone the
  // other leaves alone: they read one model of the file.
  auto start = [](uint32_t value) { return SampleNumberTag("\x09", value); };
  auto end = [](uint32_t value) { return SampleNumberTag("\x0A", value); };
  const SampleTag noNumber{0x02, "\x09", std::string("\x01\x00x", 3)};
  const std::vector<std::vector<SampleTag>> cases = {
      {start(100), end(200), end(300)},                 // an end without a start
      {start(100), start(150), end(200)},               // a second start replaces the first
      {start(400), end(300), start(500), end(500)},     // reversed, and empty
      {start(100), noNumber, end(200), start(600), end(0)},  // no number, an end of 0
      {start(900), end(1200), start(700)},              // past the end, a start without end
  };
  for (size_t i = 0; i < cases.size(); ++i) {
    SCOPED_TRACE(i);
    SampleDownload download;
    download.fileSize = 1000;
    download.partFileNameTag = false;
    download.gaps = {};
    download.extraTags = cases[i];
    MemoryDisk disk;
    disk.PutFile("dl/X.part.met", EncodeSampleMet(download));
    // A data file short of the size, so that every rebuild has a gap to add
    // and writes the gaps back.
    disk.PutFile("dl/X.part", std::string(500, 'd'));
    StringConsole listing, rebuild;
    RunWith({"partsweep", "dl/X.part.met", "--nosparse"}, listing, disk);
    EXPECT_EQ(0, RunWith({"partsweep", "dl/X.part.met", "--rebuild"}, rebuild, disk))
        << rebuild.output;
    // The bytes the listing zeroed, and the ranges the rebuild wrote.
    std::string cleared(500, 'd');
    for (const auto& gap : ClientGaps(DecodeMet(*disk.FileBytes("dl/X.part.met")))) {
      if (gap.first < gap.second && gap.second != 0)
        std::fill(cleared.begin() + std::min<uint64_t>(gap.first, 500),
                  cleared.begin() + std::min<uint64_t>(gap.second, 500), '\0');
    }
    EXPECT_EQ(cleared, *disk.FileBytes("dl/X.part")) << listing.output;
  }
}

}  // namespace
