// The command line as a user meets it: a client's Temp folder full of
// downloads in one run, both forms of every switch, "--", the version, and
// a mistyped switch.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "platform/path.h"
#include "sample/sample_download.h"
#include "tests/e2e/e2e_support.h"
#include "tests/support/child_process.h"
#include "tests/support/error_codes.h"
#include "tests/support/platform_traits.h"
#include "tests/support/temp_folder.h"
#include "tests/support/usage_text.h"

namespace {

// A run that must not stop for a key: its input stays open and holds keys.
ProcessResult RunUnattended(const std::string& folder, std::vector<std::string> args) {
  ChildOptions options;
  options.folder = folder;
  options.input = "kkkk";
  options.holdInputOpen = true;
  options.timeLimitMicroseconds = 60000000;
  args.insert(args.begin(), PARTSWEEP_BINARY);
  return RunProcess(args, options);
}

// A client's Temp folder with five downloads: 003's metadata file is cut
// short, 004 has lost its data file.
void WriteTempFolder(const std::string& root) {
  const std::string temp = AppendPath(root, "Temp");
  ASSERT_TRUE(MakeFolder(temp)) << temp;
  for (int i = 1; i <= 5; ++i) {
    SampleDownload download;
    download.name = "00" + std::to_string(i);
    download.seed = static_cast<uint32_t>(i);
    download.fileSize = 200000;
    download.gaps = {{1000, 3000}, {100000, 150000}};
    download.gapContent = SampleGapContent::Data;
    std::string error;
    ASSERT_TRUE(WriteSampleDownload(temp, download, &error)) << error;
  }
  const std::string damaged = AppendPath(temp, "003.part.met");
  ASSERT_TRUE(WriteFileBytes(damaged, ReadFileBytes(damaged).substr(0, 60)));
  std::remove(AppendPath(temp, "004.part").c_str());
  ASSERT_TRUE(WriteFileBytes(AppendPath(temp, "notes.txt"), "not a download"));
}

std::vector<std::string> MetPaths() {
  std::vector<std::string> paths;
  for (int i = 1; i <= 5; ++i) paths.push_back(AppendPath("Temp", "00" + std::to_string(i) + ".part.met"));
  return paths;
}

// What five runs, one per download, print, with a blank line between them;
// each on a folder of its own as the batch found it.
std::string SingleRuns(const std::vector<std::string>& paths) {
  std::string output;
  for (size_t i = 0; i < paths.size(); ++i) {
    TempFolder alone;
    WriteTempFolder(alone.path());
    if (i > 0) output += Lines("\n");
    output += RunUnattended(alone.path(), {paths[i]}).output;
  }
  return output;
}

TEST(CommandLineE2eTest, AFolderOfDownloadsIsWorkedOnWhole) {
  TempFolder folder;
  ASSERT_NO_FATAL_FAILURE(WriteTempFolder(folder.path()));
  ProcessResult run = RunUnattended(folder.path(), {"Temp"});
  EXPECT_FALSE(run.killed) << "the batch waited for a key";
  EXPECT_EQ(1, run.exitCode);
  EXPECT_EQ(SingleRuns(MetPaths()), run.output);
  // The good downloads were cleared, the others left alone.
  for (const char* name : {"001.part", "002.part", "005.part"})
    EXPECT_EQ(std::string(2000, '\0'), ReadFileBytes(AppendPath(folder.Path("Temp"), name)).substr(1000, 2000))
        << name;
}

TEST(CommandLineE2eTest, AWildcardPathIsEveryDownloadItMatches) {
  TempFolder folder;
  ASSERT_NO_FATAL_FAILURE(WriteTempFolder(folder.path()));
  // Windows' shell leaves the wildcard to the program; a POSIX shell
  // expands it before, as here.
  std::vector<std::string> args =
      kProgramExpandsWildcards ? std::vector<std::string>{AppendPath("Temp", "*.part.met")} : MetPaths();
  ProcessResult run = RunUnattended(folder.path(), args);
  EXPECT_EQ(1, run.exitCode);
  EXPECT_EQ(SingleRuns(MetPaths()), run.output);
}

TEST(CommandLineE2eTest, ABatchOfGoodDownloadsSucceeds) {
  TempFolder folder;
  ASSERT_NO_FATAL_FAILURE(WriteTempFolder(folder.path()));
  ProcessResult run = RunUnattended(
      folder.path(), {AppendPath("Temp", "001.part.met"), "--nosparse", AppendPath("Temp", "005.part.met")});
  EXPECT_EQ(0, run.exitCode) << run.output;
  EXPECT_NE(std::string::npos, run.output.find(Lines("Cleaned space in '" + AppendPath("Temp", "001.part") +
                                                     "': 50.7 KB\n\nHash Id: ")))
      << run.output;
}

TEST(CommandLineE2eTest, BothFormsOfEverySwitchDoTheSame) {
  // Each switch's own mark in the output, so that a form that is ignored
  // fails: the part check, a rewrite without the four gap tags, the zero
  // fill's lines (without the blank line of a released gap).
  struct Forms {
    const char* slash;
    const char* dash;
    const char* mark;
  };
  for (const Forms& pair :
       {Forms{"/rebuild", "--rebuild", "Calculating hashs ...\nTag Count : 13\n"},
        Forms{"/complete", "--COMPLETE", "Hashed Part Count: 0\nTag Count : 9\n"},
        Forms{"/nosparse", "--nosparse", "(1.95 KB) ... Zeroing 100 %\n\t97.6 KB"}}) {
    SCOPED_TRACE(pair.dash);
    std::vector<std::string> outputs, files;
    for (const char* form : {pair.slash, pair.dash}) {
      TempFolder folder;
      ASSERT_NO_FATAL_FAILURE(WriteTempFolder(folder.path()));
      ProcessResult run = RunUnattended(folder.path(), {form, AppendPath("Temp", "001.part.met")});
      EXPECT_EQ(0, run.exitCode) << run.output;
      EXPECT_NE(std::string::npos, run.output.find(Lines(pair.mark))) << run.output;
      outputs.push_back(run.output);
      files.push_back(ReadFileBytes(AppendPath(folder.Path("Temp"), "001.part.met")) +
                      ReadFileBytes(AppendPath(folder.Path("Temp"), "001.part")));
    }
    EXPECT_EQ(outputs[0], outputs[1]);
    EXPECT_EQ(files[0], files[1]);
  }
}

TEST(CommandLineE2eTest, VersionUnknownSwitchesAndTheEndOfSwitches) {
  TempFolder folder;
  ProcessResult version = RunUnattended(folder.path(), {"--version"});
  EXPECT_EQ(0, version.exitCode);
  EXPECT_EQ(Lines("partsweep 1.4.0\n"), version.output);

  // A mistyped switch is never taken for no switch at all.
  ProcessResult unknown = RunUnattended(folder.path(), {"X.part.met", "--complet"});
  EXPECT_EQ(ExitStatusSeenByParent(-1), unknown.exitCode);
  EXPECT_EQ(Lines(std::string("Error: unknown switch '--complet'\n") + ExpectedUsageText()),
            unknown.output);

  // After "--" a name that begins like a switch is a path.
  ProcessResult ended = RunUnattended(folder.path(), {"--", "--complete.part.met"});
  EXPECT_EQ(1, ended.exitCode);
  EXPECT_EQ(Lines("Error opening '--complete.part.met' (Error " + std::to_string(kErrorNotFound) +
                  ")\nPress any key\n"),
            ended.output);
}

}  // namespace
