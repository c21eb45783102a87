// A dry run of every mode that writes, seen from outside: it says what it
// would clear or write, and leaves every file of the folder as it was, to the
// byte and the time, also while a client holds the download open.
#include <gtest/gtest.h>

#include <map>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "platform/disk.h"
#include "sample/file_time.h"
#include "sample/sample_download.h"
#include "tests/e2e/e2e_support.h"
#include "tests/support/temp_folder.h"

namespace {

constexpr uint64_t P = kSamplePartSize;

// Every file of the folder: its bytes and its times.
using FolderState = std::map<std::string, std::pair<std::string, std::optional<std::pair<int64_t, int64_t>>>>;

FolderState StateOf(const TempFolder& folder) {
  FolderState state;
  const std::string names = ListFolder(folder.path());
  for (size_t at = 0; at < names.size();) {
    size_t end = names.find(' ', at);
    if (end == std::string::npos) end = names.size();
    const std::string name = names.substr(at, end - at);
    state[name] = {ReadFileBytes(folder.Path(name)), AccessAndModificationTimes(folder.Path(name))};
    at = end + 1;
  }
  return state;
}

TEST(DryRunE2eTest, EveryModeThatWritesShowsWhatItWouldDoAndChangesNothing) {
  const struct {
    std::vector<std::string> args;
    bool damaged;  // the metadata file cut short, a sound backup beside it
    const char* ends;
  } rows[] = {
      {{"001.part.met", "--dry-run"}, false, "Would be cleaned in '001.part': "},
      {{"001.part.met", "-n", "--nosparse"}, false, "Would be written over with zeros in '001.part': "},
      {{"-n", "--complete", "001.part.met"}, false,
       "Dry run: nothing was written. '001.part.met' would be rewritten ("},
      {{"--rebuild", "--dry-run", "001.part.met"}, false,
       "Dry run: nothing was written. '001.part.met' would be rewritten ("},
      {{"--recover", "-n", "001.part.met"}, true,
       "'001.part.met' would be recovered from '001.part.met.bak'.\n"},
      {{"--import", "-n", "copy.bin", "001.part.met"}, false,
       "Part 1: would be imported from 'copy.bin'\n"},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.args[0] + " " + row.args[1]);
    TempFolder folder;
    // Gaps that hold data: over part 1, damaged, which a listing clears, and
    // in part 2, complete, which it keeps; part 3 damaged.
    SampleDownload sample;
    sample.partHashes = true;
    sample.gaps = {{P, 2 * P}, {29000000, 29100000}};
    sample.gapContent = SampleGapContent::Data;
    sample.corruptParts = {1, 3};
    sample.fileSize = 4 * P;
    std::string error;
    ASSERT_TRUE(WriteSampleDownload(folder.path(), sample, &error)) << error;
    // A sound copy of the download for an import to take part 1 from.
    std::string copy(4 * P, '\0');
    SampleContent(sample, 0, reinterpret_cast<uint8_t*>(&copy[0]), copy.size());
    ASSERT_TRUE(WriteFileBytes(folder.Path("copy.bin"), copy));
    if (row.damaged) {
      const std::string met = ReadFileBytes(folder.Path("001.part.met"));
      ASSERT_TRUE(WriteFileBytes(folder.Path("001.part.met.bak"), met));
      ASSERT_TRUE(WriteFileBytes(folder.Path("001.part.met"), met.substr(0, 40)));
    }
    const FolderState before = StateOf(folder);
    // As a running client does.
    OpenResult held = SystemDisk().OpenShared(folder.Path("001.part"));
    ASSERT_EQ(0, held.error);
    ProcessResult run = RunTool(folder.path(), row.args);
    held.file.Close();
    EXPECT_EQ(0, run.exitCode) << run.output;
    EXPECT_NE(std::string::npos, run.output.find(Lines(row.ends))) << run.output;
    EXPECT_TRUE(before == StateOf(folder)) << run.output;
  }
}

}  // namespace
