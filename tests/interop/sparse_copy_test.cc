#include "tests/interop/sparse_copy.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "tests/support/file_extents.h"
#include "sample/file_time.h"
#include "tests/support/child_process.h"
#include "sample/sample_download.h"
#include "tests/support/temp_folder.h"

namespace {

// The data file of a 5 GB download with data in three places, one at the
// very end, copied as the test peer gets it.
TEST(SparseCopyTest, ALargeSparseDownloadIsCopiedAsItsData) {
  TempFolder folder;
  SampleDownload download;
  download.fileSize = 5000000000;
  download.gaps = {{4294967296, 4394967296}};
  download.dataRegions = {{0, 1000000}, {4294967296 - 70000, 4294967296 + 70000},
                          {5000000000 - 5000, 5000000000}};
  download.timeStamp = 1700000000;
  std::string error;
  ASSERT_TRUE(WriteSampleDownload(folder.path(), download, &error)) << error;
  const std::string from = folder.Path("001.part"), to = folder.Path("copy.part");
  ASSERT_TRUE(WriteFileBytes(to, "an older file in its place"));

  ASSERT_TRUE(CopySparseKeepingTime(from, to, &error)) << error;
  EXPECT_EQ(5000000000u, std::filesystem::file_size(to));
  EXPECT_EQ(std::optional<int64_t>(1700000000), ModificationTime(to));
  const auto extents = FileDataExtents(from);
  ASSERT_TRUE(extents);
  // Both files read as zeros outside the extents, and alike inside them.
  EXPECT_EQ(extents, FileDataExtents(to));
  for (const auto& [start, end] : *extents) {
    ASSERT_LT(end - start, uint64_t(64) << 20);
    EXPECT_TRUE(ReadFileRange(from, start, end - start) == ReadFileRange(to, start, end - start)) << start;
  }
  if (AllocatedBytes(from) < (16u << 20)) {
    EXPECT_LT(AllocatedBytes(to), 16u << 20);
  }
}

TEST(SparseCopyTest, AMissingFileIsReported) {
  TempFolder folder;
  std::string error;
  EXPECT_FALSE(CopySparseKeepingTime(folder.Path("none"), folder.Path("copy"), &error));
  EXPECT_NE(std::string::npos, error.find("none"));
  EXPECT_FALSE(PathExists(folder.Path("copy")));
}

}  // namespace
