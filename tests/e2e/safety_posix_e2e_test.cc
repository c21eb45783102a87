// What POSIX systems add to the ordinary mistakes: FIFOs, sockets and
// devices given for a file, links that someone else planted, a client of
// another user, a script reading its list from a pipe, and interrupts.
// The cases that act for other users need root and skip without it.
#include <gtest/gtest.h>

#include "sample/file_time.h"
#include "sample/sample_download.h"
#include "tests/e2e/e2e_support.h"
#include "tests/support/child_process.h"
#include "tests/support/met_decoder.h"
#include "tests/support/posix_files.h"
#include "tests/support/small_download.h"
#include "tests/support/temp_folder.h"

namespace {

// A run that must not block: whatever it waits for, it is killed in time.
ProcessResult RunWithin(const std::string& folder, const std::vector<std::string>& args,
                        std::optional<uint32_t> user = std::nullopt) {
  ChildOptions options;
  options.folder = folder;
  options.holdInputOpen = true;
  options.timeLimitMicroseconds = 30000000;
  options.user = user;
  std::vector<std::string> command{PARTSWEEP_BINARY};
  command.insert(command.end(), args.begin(), args.end());
  return RunProcess(command, options);
}

TEST(SafetyPosixE2eTest, NothingButRegularFilesIsReadOrWritten) {
  TempFolder folder;
  ASSERT_TRUE(WriteSmallDownload(folder.path(), {{1000, 2000}}));
  ASSERT_EQ(0, MakeFifo(folder.Path("fifo.part.met")));
  ASSERT_EQ(0, MakeSocketFile(folder.Path("socket.part.met")));
  // Devices behind names that metadata files have.
  ASSERT_EQ(0, MakeSymlink("/dev/zero", folder.Path("zero.part.met")));
  ASSERT_EQ(0, MakeSymlink("/dev/stdin", folder.Path("stdin.part.met")));
  for (const char* met : {"fifo.part.met", "socket.part.met", "zero.part.met", "stdin.part.met"}) {
    ProcessResult run = RunWithin(folder.path(), {met});
    EXPECT_FALSE(run.killed) << met;
    EXPECT_EQ(1, run.exitCode) << met;
    EXPECT_EQ(std::string("Error: '") + met + "' is not a regular file, it is not touched.\n",
              run.output);
  }
  // A FIFO in place of the data file, in every mode.
  const std::string met = ReadFileBytes(folder.Path("001.part.met"));
  std::remove(folder.Path("001.part").c_str());
  ASSERT_EQ(0, MakeFifo(folder.Path("001.part")));
  for (const char* mode : {"", "--nosparse", "--rebuild"}) {
    ProcessResult run = RunWithin(folder.path(), {"001.part.met", mode});
    EXPECT_FALSE(run.killed) << mode;
    EXPECT_EQ(1, run.exitCode) << mode;
    EXPECT_TRUE(Contains(run.output, "Error: '001.part' is not a regular file, it is not touched.\n"))
        << run.output;
  }
  EXPECT_EQ(met, ReadFileBytes(folder.Path("001.part.met")));
}

TEST(SafetyPosixE2eTest, AScriptReadingItsListFromAPipeGetsEveryLine) {
  TempFolder folder;
  ChildOptions options;
  options.folder = folder.path();
  options.input = "a.part.met\nb.part.met\nc.part.met\n";
  options.timeLimitMicroseconds = 30000000;
  ProcessResult run =
      RunProcess({"/bin/sh", "-c", "while read f; do \"$0\" \"$f\"; done", PARTSWEEP_BINARY}, options);
  EXPECT_FALSE(run.killed);
  for (const char* name : {"a", "b", "c"})
    EXPECT_TRUE(Contains(run.output, std::string("Error opening '") + name + ".part.met' (Error 2)"))
        << run.output;
}

TEST(SafetyPosixE2eTest, ALinkedMetadataFileIsRewrittenWhereItLeads) {
  TempFolder folder;
  ASSERT_TRUE(WriteSmallDownload(folder.path(), {{1000, 2000}}));
  ASSERT_EQ(0, SetMode(folder.path(), 0755));
  TempFolder store;
  const std::string target = store.Path("001.part.met");
  const std::string old = ReadFileBytes(folder.Path("001.part.met"));
  ASSERT_TRUE(WriteFileBytes(target, old));
  std::remove(folder.Path("001.part.met").c_str());
  ASSERT_EQ(0, MakeSymlink(target, folder.Path("001.part.met")));

  ProcessResult run = RunTool(folder.path(), {"001.part.met", "--complete"});
  EXPECT_EQ(0, run.exitCode) << run.output;
  EXPECT_TRUE(IsSymlink(folder.Path("001.part.met")));
  EXPECT_EQ("001.part 001.part.met", ListFolder(folder.path()));
  EXPECT_EQ("001.part.met 001.part.met.old", ListFolder(store.path()));
  EXPECT_FALSE(IsSymlink(store.Path("001.part.met.old")));
  EXPECT_EQ(old, ReadFileBytes(store.Path("001.part.met.old")));
  DecodedMet completed = DecodeMet(ReadFileBytes(target));
  ASSERT_TRUE(completed.ok);
  EXPECT_TRUE(ClientGaps(completed).empty());
}

// Links in a download folder of user nobody's, as a job of root's meets
// them going over every user's Temp folder: a link is followed only when it
// is root's own or its owner also owns the file it leads to, never because
// its owner owns the folder.
struct LinkCase {
  const char* what;
  /// The link stands for the metadata file, else for the data file.
  bool metadataFile;
  bool linkOfNobody;
  bool targetOfNobody;
  bool followed;
};

const LinkCase kLinkCases[] = {
    {"root's link to root's data file", false, false, false, true},
    {"root's link to nobody's data file", false, false, true, true},
    {"nobody's link to nobody's data file", false, true, true, true},
    {"nobody's link to root's data file", false, true, false, false},
    {"nobody's link to nobody's metadata file", true, true, true, true},
    {"nobody's link to root's metadata file", true, true, false, false},
};

// A download in a folder of nobody's, the file the case names moved
// elsewhere and a link to it put in its place, owned as the case says.
struct PlantedLink {
  PlantedLink(const LinkCase& link, uint32_t nobody)
      : name(link.metadataFile ? "001.part.met" : "001.part"), target(elsewhere.Path(name)) {
    EXPECT_TRUE(WriteSmallDownload(folder.path(), {{1000, 2000}}, SampleGapContent::Data));
    EXPECT_EQ(0, GiveTo(folder.path(), nobody));
    before = ReadFileBytes(folder.Path(name));
    EXPECT_TRUE(WriteFileBytes(target, before));
    std::remove(folder.Path(name).c_str());
    EXPECT_EQ(0, MakeSymlink(target, folder.Path(name)));
    EXPECT_EQ(0, link.linkOfNobody ? GiveTo(folder.Path(name), nobody) : 0);
    EXPECT_EQ(0, link.targetOfNobody ? GiveTo(target, nobody) : 0);
  }

  TempFolder folder, elsewhere;
  std::string name, target, before;
};

TEST(PlantedLinkTest, ALinkIsFollowedOnlyWhenItIsTheUsersOrItsOwnerOwnsTheFile) {
  if (!RunningAsRoot()) GTEST_SKIP() << "needs root, to give a link to another user";
  std::optional<uint32_t> nobody = UserId("nobody");
  if (!nobody) GTEST_SKIP() << "no user 'nobody' on this system";
  for (const LinkCase& link : kLinkCases) {
    SCOPED_TRACE(link.what);
    // Through a link that is followed the file is worked on; through any
    // other nothing is read or written, in any mode that would.
    const std::vector<const char*> modes =
        link.followed ? std::vector<const char*>{link.metadataFile ? "--complete" : "--nosparse"}
        : link.metadataFile ? std::vector<const char*>{"", "--rebuild", "--complete"}
                            : std::vector<const char*>{"", "--nosparse", "--rebuild"};
    for (const char* mode : modes) {
      PlantedLink planted(link, *nobody);
      ProcessResult run = RunWithin(planted.folder.path(), {"001.part.met", mode});
      EXPECT_EQ(link.followed ? 0 : 1, run.exitCode) << mode << ": " << run.output;
      EXPECT_EQ(link.followed, planted.before != ReadFileBytes(planted.target)) << mode;
      EXPECT_EQ(!link.followed, Contains(run.output, "Error: '" + planted.name +
                                                          "' is another user's symbolic link to a "
                                                          "file that user does not own, it is not "
                                                          "followed.\n"))
          << mode << ": " << run.output;
    }
  }
}

// A download of user nobody's, its data file held open by a program of
// another user (daemon), whose open files nobody may not look at.
class OtherUsersClientTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!RunningAsRoot()) GTEST_SKIP() << "needs root, to act as two other users";
    std::optional<uint32_t> owner = UserId("nobody"), other = UserId("daemon");
    if (!owner || !other) GTEST_SKIP() << "needs the users 'nobody' and 'daemon'";
    nobody = *owner;
    // Bytes in the gap, which a listing would clear.
    ASSERT_TRUE(WriteSmallDownload(folder.path(), {{1000, 2000}}, SampleGapContent::Data));
    for (const char* name : {"", "001.part", "001.part.met"})
      ASSERT_EQ(0, GiveTo(folder.Path(name), nobody));
    ASSERT_EQ(0, SetMode(folder.Path("001.part"), 0644));
    ChildOptions runs = InFolder(folder.path());
    if (RunProcess({PARTSWEEP_BINARY, "--help"}, [&] {
          ChildOptions as = runs;
          as.user = nobody;
          return as;
        }()).exitCode != 0)
      GTEST_SKIP() << "user nobody cannot run " << PARTSWEEP_BINARY;
    runs.user = *other;
    ASSERT_TRUE(StartBackgroundProcess(
        {"/bin/sh", "-c", "exec 3<001.part; echo holding; exec sleep infinity"}, runs, log.Path("holder"),
        &holder));
    ASSERT_TRUE(WaitForOutput(holder, log.Path("holder"), "holding\n"))
        << ReadFileBytes(log.Path("holder"));
    before = ReadFileBytes(folder.Path("001.part"));
    met = ReadFileBytes(folder.Path("001.part.met"));
  }

  void TearDown() override { StopBackgroundProcess(holder, 1000000); }

  TempFolder folder;
  TempFolder log;
  BackgroundProcess holder;
  uint32_t nobody = 0;
  std::string before, met;
};

TEST_F(OtherUsersClientTest, ItsDownloadIsNeitherClearedNorRewritten) {
  for (const char* mode : {"", "--nosparse"}) {
    ProcessResult run = RunWithin(folder.path(), {"001.part.met", mode}, nobody);
    EXPECT_EQ(1, run.exitCode) << run.output;
    EXPECT_TRUE(Contains(run.output, "Can't open part file '001.part' (Error 16)\n")) << run.output;
  }
  for (const char* mode : {"--complete", "--rebuild"}) {
    ProcessResult run = RunWithin(folder.path(), {"001.part.met", mode}, nobody);
    EXPECT_EQ(1, run.exitCode) << run.output;
    EXPECT_TRUE(Contains(run.output, "Error: '001.part' is held open by another program (Error 16)"))
        << run.output;
  }
  // A check only reads: it works while the client holds the download.
  ProcessResult check = RunWithin(folder.path(), {"001.part.met", "--check"}, nobody);
  EXPECT_EQ(0, check.exitCode) << check.output;
  EXPECT_TRUE(Contains(check.output, "Parts: 0 sound, 0 corrupt, 1 not judged (not downloaded whole)\n"))
      << check.output;
  EXPECT_EQ(before, ReadFileBytes(folder.Path("001.part")));
  EXPECT_EQ(met, ReadFileBytes(folder.Path("001.part.met")));
  EXPECT_EQ("001.part 001.part.met", ListFolder(folder.path()));
}

// A metadata file of several MB, so that writing its new version takes a
// moment in which the run can be interrupted.
std::string LargeMetFile() {
  SampleDownload download;
  for (int i = 0; i < 2400; ++i) {
    SampleTag blob{0x07, "blob" + std::to_string(i), std::string("\x00\x08\x00\x00", 4)};
    blob.value += std::string(2048, char('a' + i % 26));
    download.extraTags.push_back(blob);
  }
  for (uint32_t i = 0; i < 2000; ++i) download.gaps.push_back({i * 6000ull, i * 6000ull + 10});
  return EncodeSampleMet(download);
}

TEST(SafetyPosixE2eTest, AnInterruptedRewriteLeavesNothingBehind) {
  const std::string old = LargeMetFile();
  for (bool terminate : {false, true}) {
    SCOPED_TRACE(terminate ? "SIGTERM" : "SIGINT");
    bool interrupted = false;
    // The new file exists only for a moment; try until one run is caught.
    for (int attempt = 0; attempt < 50 && !interrupted; ++attempt) {
      TempFolder folder;
      ASSERT_TRUE(WriteFileBytes(folder.Path("X.part.met"), old));
      BackgroundProcess run;
      ASSERT_TRUE(StartBackgroundProcess({PARTSWEEP_BINARY, "X.part.met", "--complete"},
                                         InFolder(folder.path()), folder.Path("output"), &run));
      while (IsRunning(run) && !PathExists(folder.Path("X.part.met.new"))) {
      }
      InterruptProcess(run, terminate ? SIGTERM : SIGINT);
      ASSERT_TRUE(WaitForEnd(run, 30000000));
      const std::string now = ReadFileBytes(folder.Path("X.part.met"));
      if (run.signal == 0) {
        EXPECT_EQ(0, run.exitCode);  // it was done before the interrupt came
        continue;
      }
      interrupted = true;
      EXPECT_EQ(terminate ? 15 : 2, run.signal);
      EXPECT_FALSE(PathExists(folder.Path("X.part.met.new")));
      // The old file, or the whole new one beside its backup.
      if (now == old) {
        EXPECT_EQ("X.part.met output", ListFolder(folder.path()));
      } else {
        EXPECT_TRUE(DecodeMet(now).ok);
        EXPECT_EQ(old, ReadFileBytes(folder.Path("X.part.met.old")));
      }
    }
    EXPECT_TRUE(interrupted) << "no run was interrupted while it rewrote";
  }
}

TEST(SafetyPosixE2eTest, AnInterruptedZeroFillGivesTheDataFileItsTimesBack) {
  // 32 MiB of data in gaps: a zero fill that takes long enough to be caught.
  SampleDownload download;
  download.fileSize = 40000000;
  download.gapContent = SampleGapContent::Data;
  for (uint64_t i = 0; i < 8; ++i) download.gaps.push_back({i * 5000000, i * 5000000 + 4194304});
  for (int signal : {SIGINT, SIGTERM, SIGHUP}) {
    bool caught = false;
    for (int attempt = 0; attempt < 20 && !caught; ++attempt) {
      TempFolder folder;
      std::string error;
      ASSERT_TRUE(WriteSampleDownload(folder.path(), download, &error)) << error;
      const auto before = AccessAndModificationTimes(folder.Path("001.part"));
      BackgroundProcess run;
      ASSERT_TRUE(StartBackgroundProcess({PARTSWEEP_BINARY, "001.part.met", "--nosparse"},
                                         InFolder(folder.path()), folder.Path("output"), &run));
      while (IsRunning(run) && !Contains(ReadFileBytes(folder.Path("output")), "\t0 bytes")) {
      }
      InterruptProcess(run, signal);
      ASSERT_TRUE(WaitForEnd(run, 30000000));
      EXPECT_EQ(before, AccessAndModificationTimes(folder.Path("001.part")));
      const std::string output = ReadFileBytes(folder.Path("output"));
      caught = !Contains(output, "Cleaned space");  // else it was done before the interrupt came
      if (caught) {
        EXPECT_EQ(signal, run.signal);
        EXPECT_TRUE(EndsWith(output, "\nInterrupted.\n")) << output;  // the gap's line, ended
      }
    }
    EXPECT_TRUE(caught) << "no zero fill was interrupted by signal " << signal;
  }

  // Under nohup the hangup is ignored: it must not stop the zero fill either.
  TempFolder folder;
  std::string error;
  ASSERT_TRUE(WriteSampleDownload(folder.path(), download, &error)) << error;
  BackgroundProcess run;
  ASSERT_TRUE(StartBackgroundProcess({"/usr/bin/nohup", PARTSWEEP_BINARY, "001.part.met", "--nosparse"},
                                     InFolder(folder.path()), folder.Path("output"), &run));
  while (IsRunning(run) && !Contains(ReadFileBytes(folder.Path("output")), "\t0 bytes")) {
  }
  InterruptProcess(run, SIGHUP);
  ASSERT_TRUE(WaitForEnd(run, 30000000));
  EXPECT_EQ(0, run.signal);
  EXPECT_EQ(0, run.exitCode);
  EXPECT_TRUE(Contains(ReadFileBytes(folder.Path("output")), "Cleaned space in '001.part'"));
}

TEST(SafetyPosixE2eTest, AnUnknownReadingIsRefused) {
  TempFolder folder;
  ASSERT_TRUE(WriteSmallDownload(folder.path(), {{1000, 2000}}));
  for (const char* mode : {"", "--rebuild"}) {
    ProcessResult run = RunProcess({"/usr/bin/env", "PARTSWEEP_READS=Parallel", PARTSWEEP_BINARY,
                                    "001.part.met", mode}, InFolder(folder.path()));
    EXPECT_EQ(1, run.exitCode);
    EXPECT_EQ("Error: PARTSWEEP_READS is 'Parallel', which partsweep does not know: set it to "
              "parallel or sequential, or unset it\n", run.output);
  }
}

}  // namespace
