#include "sample/file_time.h"

#include <gtest/gtest.h>

#include "tests/support/error_codes.h"
#include "tests/support/temp_folder.h"

namespace {

TEST(FileTimeTest, SetsAndReadsTheModificationTime) {
  TempFolder folder;
  const std::string path = folder.Path("data");
  ASSERT_TRUE(WriteFileBytes(path, "x"));
  EXPECT_EQ(0, SetModificationTime(path, 1796619788));
  EXPECT_EQ(std::optional<int64_t>(1796619788), ModificationTime(path));
  EXPECT_EQ(0, SetModificationTime(path, 1000000000));
  EXPECT_EQ(std::optional<int64_t>(1000000000), ModificationTime(path));
}

TEST(FileTimeTest, AMissingFileIsReported) {
  TempFolder folder;
  EXPECT_EQ(kErrorNotFound, SetModificationTime(folder.Path("none"), 1));
  EXPECT_FALSE(ModificationTime(folder.Path("none")));
}

}  // namespace
