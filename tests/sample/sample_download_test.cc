#include "sample/sample_download.h"

#include <gtest/gtest.h>

#include "sample/file_time.h"
#include "tests/support/temp_folder.h"

namespace {

// A client compares the header's time stamp with the data file's time and
// re-hashes the whole download when they differ; a generated download must
// look freshly saved by the client.
TEST(SampleDownloadTest, TheDataFileBearsTheHeadersTimeStamp) {
  TempFolder folder;
  SampleDownload download;
  download.fileSize = 20000000;
  download.partHashes = true;
  download.corruptParts = {1};
  download.timeStamp = 1234567890;
  std::string error;
  ASSERT_TRUE(WriteSampleDownload(folder.path(), download, &error)) << error;

  EXPECT_EQ(std::optional<int64_t>(1234567890), ModificationTime(folder.Path("001.part")));
  const std::string met = ReadFileBytes(folder.Path("001.part.met"));
  ASSERT_GE(met.size(), 5u);
  uint32_t stamp = 0;
  for (int i = 4; i >= 1; --i) stamp = stamp << 8 | static_cast<uint8_t>(met[i]);
  EXPECT_EQ(1234567890u, stamp);
}

}  // namespace
