#include "tests/support/file_extents.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "tests/support/child_process.h"
#include "tests/support/temp_folder.h"

namespace {

using Extents = std::vector<std::pair<uint64_t, uint64_t>>;

TEST(FileExtentsTest, DataIsFoundAroundTheHoles) {
  TempFolder folder;
  const std::string path = folder.Path("sparse");
  ASSERT_TRUE(WriteFileBytes(path, ""));
  std::filesystem::resize_file(path, 64 << 20);
  {
    std::fstream out(path, std::ios::binary | std::ios::in | std::ios::out);
    out.seekp(100);
    out << "head";
    out.seekp(32 << 20);
    out << "middle";
  }
  const std::optional<Extents> extents = FileDataExtents(path);
  ASSERT_TRUE(extents);
  ASSERT_FALSE(extents->empty());
  // In order, inside the file, and covering both writes.
  uint64_t covered = 0, last = 0;
  bool head = false, middle = false;
  for (const auto& [start, end] : *extents) {
    EXPECT_LE(last, start);
    EXPECT_LT(start, end);
    EXPECT_LE(end, uint64_t(64) << 20);
    head = head || (start <= 100 && end >= 104);
    middle = middle || (start <= (32u << 20) && end >= (32u << 20) + 6);
    covered += end - start;
    last = end;
  }
  EXPECT_TRUE(head && middle);
  // Where the file system keeps the holes, the extents leave them out.
  if (AllocatedBytes(path) < (1u << 20)) {
    EXPECT_LT(covered, 4u << 20);
  }

  ASSERT_TRUE(WriteFileBytes(folder.Path("empty"), ""));
  EXPECT_EQ(Extents{}, FileDataExtents(folder.Path("empty")).value_or(Extents{{0, 1}}));
}

TEST(FileExtentsTest, AFileThatCannotBeReadHasNone) {
  TempFolder folder;
  EXPECT_FALSE(FileDataExtents(folder.Path("missing")));
}

}  // namespace
