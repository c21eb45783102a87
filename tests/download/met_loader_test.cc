#include "download/met_loader.h"

#include <gtest/gtest.h>

#include "tests/support/error_codes.h"
#include "tests/support/faulty_disk.h"
#include "tests/support/string_console.h"
#include "tests/support/temp_folder.h"

namespace {

TEST(MetLoaderTest, LoadsUpToTheLimit) {
  TempFolder folder;
  std::string met = folder.Path("X.part.met");
  std::string content(5242880, 'm');
  content[0] = 'a';
  content.back() = 'z';
  ASSERT_TRUE(WriteFileBytes(met, content));
  StringConsole console;
  std::optional<MetImage> image = LoadMetImage(met, SystemDisk(), console);
  ASSERT_TRUE(image);
  EXPECT_EQ(5242880u, image->size);
  EXPECT_EQ('a', image->data()[0]);
  EXPECT_EQ('z', image->data()[5242879]);
  EXPECT_EQ("", console.output);
  EXPECT_EQ(0, console.keyWaits);

  ASSERT_TRUE(WriteFileBytes(met, content + "!"));
  StringConsole tooLarge;
  EXPECT_FALSE(LoadMetImage(met, SystemDisk(), tooLarge));
  EXPECT_EQ("Error: .met file is too large, can't be loaded!\nPress any key!\n", tooLarge.output);
  EXPECT_EQ(1, tooLarge.keyWaits);
}

TEST(MetLoaderTest, MissingFileWaitsForAKey) {
  TempFolder folder;
  std::string met = folder.Path("none.part.met");
  StringConsole console;
  EXPECT_FALSE(LoadMetImage(met, SystemDisk(), console));
  EXPECT_EQ("Error opening '" + met + "' (Error " + std::to_string(kErrorNotFound) +
                ")\nPress any key\n",
            console.output);
  EXPECT_EQ(1, console.keyWaits);

  // Input that is no terminal: nothing waits, so nothing says it does.
  StringConsole unattended;
  unattended.inputIsTerminal = false;
  EXPECT_FALSE(LoadMetImage(met, SystemDisk(), unattended));
  EXPECT_EQ("Error opening '" + met + "' (Error " + std::to_string(kErrorNotFound) + ")\n",
            unattended.output);
  EXPECT_EQ(0, unattended.keyWaits);
}

TEST(MetLoaderTest, NoMemoryForTheImage) {
  TempFolder folder;
  std::string met = folder.Path("X.part.met");
  ASSERT_TRUE(WriteFileBytes(met, "\xE0"));
  StringConsole console;
  auto noMemory = [](size_t, size_t) -> void* { return nullptr; };
  EXPECT_FALSE(LoadMetImage(met, SystemDisk(), console, true, noMemory));
  EXPECT_EQ("Error creating buffer for " + met + "\nPress any key!\n", console.output);
  EXPECT_EQ(1, console.keyWaits);
}

TEST(MetLoaderTest, EmptyFileAndFailedReadGiveShortImages) {
  TempFolder folder;
  std::string met = folder.Path("X.part.met");
  ASSERT_TRUE(WriteFileBytes(met, ""));
  StringConsole console;
  std::optional<MetImage> empty = LoadMetImage(met, SystemDisk(), console);
  ASSERT_TRUE(empty);
  EXPECT_EQ(0u, empty->size);

  ASSERT_TRUE(WriteFileBytes(met, "0123456789"));
  FaultyDisk disk;
  disk.FailCall(DiskOp::Read, 1, kErrorIo);
  std::optional<MetImage> failed = LoadMetImage(met, disk, console);
  ASSERT_TRUE(failed);
  EXPECT_EQ(0u, failed->size);
  EXPECT_EQ("", console.output);
}

}  // namespace
