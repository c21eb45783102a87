#include "tests/support/child_process.h"

#include <gtest/gtest.h>

#include "tests/support/temp_folder.h"

namespace {

const char kShell[] = "/bin/sh";

TEST(ChildProcessTest, RunWithinCollectsBothOutputs) {
  ProcessResult run = RunProcess({kShell, "-c", "echo out; echo err >&2; exit 3"}, Within(10000000));
  EXPECT_TRUE(run.started);
  EXPECT_EQ(3, run.exitCode);
  EXPECT_FALSE(run.killed);
  EXPECT_EQ("out\nerr\n", run.output);
}

TEST(ChildProcessTest, RunWithinKillsAProgramThatTakesTooLong) {
  ProcessResult run = RunProcess({kShell, "-c", "echo begun; exec sleep 300"}, Within(2000000));
  EXPECT_TRUE(run.killed);
  EXPECT_EQ(-1, run.exitCode);
  EXPECT_EQ("begun\n", run.output);
}

TEST(ChildProcessTest, ABackgroundProcessRunsUntilAskedToStop) {
  TempFolder folder;
  BackgroundProcess process;
  ASSERT_TRUE(StartBackgroundProcess(
      {kShell, "-c", "trap 'echo stopping; exit 0' TERM; echo started; while :; do sleep 0.05; done"},
      InFolder(folder.path()), folder.Path("output"), &process));
  // Its trap is set once it says so; the request comes after that.
  ASSERT_TRUE(WaitForOutput(process, folder.Path("output"), "started\n"));
  EXPECT_TRUE(IsRunning(process));
  EXPECT_TRUE(StopBackgroundProcess(process, 10000000));
  EXPECT_TRUE(process.ended);
  EXPECT_EQ(0, process.exitCode);
  EXPECT_FALSE(IsRunning(process));
  EXPECT_EQ("started\nstopping\n", ReadFileBytes(folder.Path("output")));
}

TEST(ChildProcessTest, ABackgroundProcessThatIgnoresTheRequestIsKilled) {
  TempFolder folder;
  BackgroundProcess process;
  ASSERT_TRUE(StartBackgroundProcess({kShell, "-c", "trap '' TERM; echo started; exec sleep 30"},
                                     InFolder(folder.path()), folder.Path("output"), &process));
  ASSERT_TRUE(WaitForOutput(process, folder.Path("output"), "started\n"));
  EXPECT_FALSE(StopBackgroundProcess(process, 300000));
  EXPECT_TRUE(process.ended);
  EXPECT_EQ(-1, process.exitCode);
}

TEST(ChildProcessTest, AProgramThatEndsByItselfIsSeenToEnd) {
  TempFolder folder;
  BackgroundProcess process;
  ASSERT_TRUE(StartBackgroundProcess({kShell, "-c", "exit 4"}, InFolder(folder.path()),
                                     folder.Path("output"), &process));
  EXPECT_TRUE(WaitForEnd(process, kHangMicroseconds));
  EXPECT_FALSE(IsRunning(process));
  EXPECT_EQ(4, process.exitCode);
  EXPECT_TRUE(StopBackgroundProcess(process, 1000000));
}

}  // namespace
