// The command line as a user meets it: a client's Temp folder full of
// downloads in one run, folders and downloads of any name, both forms of
// every switch, "--", the version, the help, and a mistyped switch.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <iterator>
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

// What the batch prints: five runs, one per download, each on a folder of
// its own as the batch found it, each under a line naming its download, a
// blank line between them, and the summary of the five.
std::string BatchOfSingleRuns(const std::vector<std::string>& paths) {
  std::string output;
  for (size_t i = 0; i < paths.size(); ++i) {
    TempFolder alone;
    WriteTempFolder(alone.path());
    if (i > 0) output += Lines("\n");
    output += Lines("Download " + std::to_string(i + 1) + " of 5: '" + paths[i] + "'\n");
    output += RunUnattended(alone.path(), {paths[i]}).output;
  }
  // 001, 002 and 005 each cleared 2,000 + 50,000 bytes: released, the whole
  // 4 KiB blocks of the second gap (45,056 bytes) where the file system
  // releases ranges, the rest zeroed in place; else all zero-filled.
  TempFolder probe;
  const bool releases = FileSystemReleasesRanges(probe.path());
  return output + Lines("\n5 downloads: 3 done, 2 failed ('" + paths[2] + "', '" + paths[3] +
                        (releases ? "'); cleaned space in all: 132 KB; written over with zeros: 20.3 KB\n"
                                  : "'); cleaned space in all: 0 bytes; written over with zeros: 152 KB\n"));
}

TEST(CommandLineE2eTest, AFolderOfDownloadsIsWorkedOnWhole) {
  TempFolder folder;
  ASSERT_NO_FATAL_FAILURE(WriteTempFolder(folder.path()));
  ProcessResult run = RunUnattended(folder.path(), {"Temp"});
  EXPECT_FALSE(run.killed) << "the batch waited for a key";
  EXPECT_EQ(1, run.exitCode);
  EXPECT_EQ(BatchOfSingleRuns(MetPaths()), run.output);
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
  EXPECT_EQ(BatchOfSingleRuns(MetPaths()), run.output);
}

TEST(CommandLineE2eTest, ABatchOfGoodDownloadsSucceeds) {
  TempFolder folder;
  ASSERT_NO_FATAL_FAILURE(WriteTempFolder(folder.path()));
  ProcessResult run = RunUnattended(
      folder.path(), {AppendPath("Temp", "001.part.met"), "--nosparse", AppendPath("Temp", "005.part.met")});
  EXPECT_EQ(0, run.exitCode) << run.output;
  EXPECT_NE(std::string::npos,
            run.output.find(Lines("Cleaned space in '" + AppendPath("Temp", "001.part") +
                                  "': 0 bytes\nWritten over with zeros in '" +
                                  AppendPath("Temp", "001.part") +
                                  "': 50.7 KB, whose space the file system keeps\n\nDownload 2 of 2: '" +
                                  AppendPath("Temp", "005.part.met") + "'\nHash Id: ")))
      << run.output;
  EXPECT_NE(std::string::npos,
            run.output.find(Lines("\n\n2 downloads: 2 done; cleaned space in all: 0 bytes; written over "
                                  "with zeros: 101 KB\n")));
  // A folder without a download fails the batch, and the end says so too.
  ASSERT_TRUE(MakeFolder(folder.Path("empty")));
  ProcessResult empty = RunUnattended(folder.path(), {AppendPath("Temp", "001.part.met"), "empty",
                                                      AppendPath("Temp", "005.part.met")});
  EXPECT_EQ(1, empty.exitCode);
  const std::string told = Lines("Error: no .part.met file in 'empty'\n");
  EXPECT_EQ(0u, empty.output.find(told)) << empty.output;
  EXPECT_EQ(empty.output.size() - told.size(), empty.output.rfind(told)) << empty.output;
}

TEST(CommandLineE2eTest, HelpTellsTheWholeCommandLine) {
  TempFolder folder;
  ProcessResult help = RunUnattended(folder.path(), {"--help"});
  EXPECT_EQ(0, help.exitCode);
  EXPECT_EQ(0u, help.output.find(Lines("eMule .part file partsweep v1.4.\n"
                                       "Usage: partsweep [switches] <part.met file | folder>...\n")));
  for (const char* told : {"--rebuild   /rebuild", "--complete  /complete", "--check     /check",
                           "--recover   /recover",
                           "--nosparse  /nosparse", "-h --help   -? /?", "-V --version", "\n  --  ",
                           "folder", "Several paths", "X.part.met.old", "PARTSWEEP_READS=", "255"})
    EXPECT_NE(std::string::npos, help.output.find(Lines(told))) << told << "\n" << help.output;
}

TEST(CommandLineE2eTest, BothFormsOfEverySwitchDoTheSame) {
  // A slash form that names an entry of the root is that entry, so on a
  // machine that has one (a folder /rebuild, say) the form is a path there.
  // Each switch's own mark in the output, so that a form that is ignored
  // fails: the part check (whose one part holds a gap, so nothing changes),
  // a rewrite without the four gap tags, the zero fill's lines (without the
  // blank line of a released gap).
  struct Forms {
    const char* slash;
    const char* dash;
    const char* mark;
  };
  for (const Forms& pair :
       {Forms{"/rebuild", "--rebuild",
              "Calculating hashs ...\nCalculated Hash 000: 3ab2270bb3555693c3f0b32f95c8b9cf [-] "
              "incomplete, not checked\nNo part is corrupt and no gap changes: "},
        Forms{"/complete", "--COMPLETE", "Hashed Part Count: 0\nTag Count : 9\n"},
        Forms{"/nosparse", "--nosparse", "(1.95 KB) ... Zeroing 100 %\n\t97.6 KB"}}) {
    SCOPED_TRACE(pair.dash);
    std::error_code error;
    const bool rootEntry = std::filesystem::exists(pair.slash, error);
    std::vector<std::string> outputs, files;
    for (const char* form : {pair.slash, pair.dash}) {
      TempFolder folder;
      ASSERT_NO_FATAL_FAILURE(WriteTempFolder(folder.path()));
      ProcessResult run = RunUnattended(folder.path(), {form, AppendPath("Temp", "001.part.met")});
      if (rootEntry && form == pair.slash) {
        EXPECT_NE(std::string::npos, run.output.find(std::string("'") + form + "'")) << run.output;
        continue;
      }
      EXPECT_EQ(0, run.exitCode) << run.output;
      EXPECT_NE(std::string::npos, run.output.find(Lines(pair.mark))) << run.output;
      outputs.push_back(run.output);
      files.push_back(ReadFileBytes(AppendPath(folder.Path("Temp"), "001.part.met")) +
                      ReadFileBytes(AppendPath(folder.Path("Temp"), "001.part")));
    }
    if (rootEntry) continue;
    EXPECT_EQ(outputs[0], outputs[1]);
    EXPECT_EQ(files[0], files[1]);
  }
}

// Folder and file names as eMule's users have them: Cyrillic, Japanese, and
// characters that no ANSI code page holds (an emoji, past the first plane of
// UTF-16). The first pair is the plain one the others are compared with.
const char* const kNames[][2] = {
    {"PlainUser", "PlainName"},
    {"\xD0\x9F\xD0\xBE\xD0\xBB\xD1\x8C\xD0\xB7\xD0\xBE\xD0\xB2\xD0\xB0\xD1\x82\xD0\xB5\xD0\xBB\xD1\x8C",
     "\xD0\xA4\xD0\xB8\xD0\xBB\xD1\x8C\xD0\xBC"},  // Пользователь, Фильм
    {"\xE3\x83\xA6\xE3\x83\xBC\xE3\x82\xB6\xE3\x83\xBC", "\xE6\x98\xA0\xE7\x94\xBB"},  // ユーザー, 映画
    {"J\xC3\xBCrgen \xF0\x9F\x8E\xAC",  // Jürgen 🎬, Фильм 映画 🎬
     "\xD0\xA4\xD0\xB8\xD0\xBB\xD1\x8C\xD0\xBC \xE6\x98\xA0\xE7\x94\xBB \xF0\x9F\x8E\xAC"},
};

// `text` with the user's folder and the download named as in `names`.
std::string Named(std::string text, const char* const* names) {
  for (int i = 0; i < 2; ++i) {
    const std::string from = kNames[0][i], to = names[i];
    for (size_t at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size()))
      text.replace(at, from.size(), to);
  }
  return text;
}

TEST(CommandLineE2eTest, AnyNameOfAFolderOrADownloadWorksAsAPlainOne) {
  const std::string temp = AppendPath("PlainUser", "Temp");
  const std::string met = AppendPath(temp, "PlainName.part.met");
  std::vector<std::vector<std::string>> lines = {{met}, {temp}, {met, "--complete"}};
  if (kProgramExpandsWildcards) lines.push_back({AppendPath(temp, "*.part.met")});
  for (const std::vector<std::string>& line : lines) {
    SCOPED_TRACE(line.back());
    TempFolder folder;
    for (const auto& names : kNames) {
      SampleDownload download;
      download.name = names[1];
      download.fileSize = 200000;
      download.gaps = {{1000, 3000}};
      download.gapContent = SampleGapContent::Data;
      std::string error;
      ASSERT_TRUE(MakeFolder(folder.Path(Named(temp, names))));
      ASSERT_TRUE(WriteSampleDownload(folder.Path(Named(temp, names)), download, &error)) << error;
    }
    ProcessResult plain = RunUnattended(folder.path(), line);
    ASSERT_EQ(0, plain.exitCode) << plain.output;
    // A listing names the data file; a rewrite, only its backup's name shows it.
    ASSERT_TRUE(line.back() == "--complete" || plain.output.find("PlainUser") != std::string::npos);
    for (size_t i = 1; i < std::size(kNames); ++i) {
      SCOPED_TRACE(kNames[i][1]);
      std::vector<std::string> named;
      for (const std::string& entry : line) named.push_back(Named(entry, kNames[i]));
      ProcessResult run = RunUnattended(folder.path(), named);
      EXPECT_EQ(0, run.exitCode);
      EXPECT_EQ(Named(plain.output, kNames[i]), run.output);
      EXPECT_EQ(Named(ListFolder(folder.Path(temp)), kNames[i]),
                ListFolder(folder.Path(Named(temp, kNames[i]))));
      const std::string data = AppendPath(temp, "PlainName.part");
      EXPECT_TRUE(ReadFileBytes(folder.Path(data)) == ReadFileBytes(folder.Path(Named(data, kNames[i]))))
          << "the data files differ";
    }
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
  // Nor are switches that exclude each other: a rebuild is never quietly dropped.
  for (const auto& c : std::vector<std::vector<std::string>>{
           {"--rebuild", "--COMPLETE", "--rebuild and --complete"},
           {"--check", "--rebuild", "--check and --rebuild"},
           {"--complete", "--check", "--check and --complete"},
           {"--recover", "--rebuild", "--recover and --rebuild"},
           {"--recover", "--nosparse", "--recover and --nosparse"}}) {
    ProcessResult refused = RunUnattended(folder.path(), {"X.part.met", c[0], c[1]});
    EXPECT_EQ(ExitStatusSeenByParent(-1), refused.exitCode);
    EXPECT_EQ(Lines("Error: " + c[2] + " cannot be used together\n" + ExpectedUsageText()),
              refused.output);
  }

  // After "--" a name that begins like a switch is a path.
  ProcessResult ended = RunUnattended(folder.path(), {"--", "--complete.part.met"});
  EXPECT_EQ(1, ended.exitCode);
  EXPECT_EQ(Lines("Error opening '--complete.part.met' (Error " + std::to_string(kErrorNotFound) +
                  ")\n"),
            ended.output);
}

}  // namespace
