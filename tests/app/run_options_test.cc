#include "app/run_options.h"

#include <gtest/gtest.h>

#include <set>
#include <vector>

namespace {

// The command line as read on a disk that holds just these files.
CommandLine Read(std::vector<const char*> entries, std::set<std::string> files = {}) {
  entries.insert(entries.begin(), "partsweep");
  return ReadCommandLine(static_cast<int>(entries.size()), entries.data(),
                         [&files](const std::string& path) { return files.count(path) > 0; });
}

TEST(RunOptionsTest, BothFormsOfEverySwitchInAnyCaseAndPlace) {
  CommandLine slashes = Read({"/REBUILD", "X.part.met", "/Complete", "/nosparse", "/Check"});
  EXPECT_EQ((std::vector<ModeId>{ModeId::Rebuild, ModeId::Complete, ModeId::Check}),
            slashes.options.modes);
  EXPECT_TRUE(slashes.options.nosparse);
  EXPECT_EQ(ModeId::Check, ChosenMode(Read({"--CHECK"}).options).id);
  EXPECT_EQ(ModeId::Listing, ChosenMode(Read({"X.part.met"}).options).id);
  EXPECT_EQ(std::vector<std::string>{"X.part.met"}, slashes.paths);
  CommandLine dashes = Read({"a.part.met", "--rebuild", "--COMPLETE", "b.part.met", "--nosparse"});
  EXPECT_TRUE(Asks(dashes.options, ModeId::Rebuild) && Asks(dashes.options, ModeId::Complete));
  EXPECT_TRUE(dashes.options.nosparse);
  EXPECT_EQ((std::vector<std::string>{"a.part.met", "b.part.met"}), dashes.paths);
  EXPECT_EQ("", dashes.unknownSwitch);
  // The dry run's short form is exact; --json has one form.
  CommandLine modifiers = Read({"-n", "--DRY-RUN", "--json"});
  EXPECT_TRUE(modifiers.options.dryRun && modifiers.options.json);
  EXPECT_EQ("-N", Read({"-N"}).unknownSwitch);
  EXPECT_EQ("/json", Read({"/json"}).unknownSwitch);
}

TEST(RunOptionsTest, HelpAndVersion) {
  for (const char* help : {"--help", "-h", "-?", "/?", "-H"}) EXPECT_TRUE(Read({help}).help) << help;
  EXPECT_TRUE(Read({"X.part.met", "-V"}).version);
  EXPECT_TRUE(Read({"--version"}).version);
  EXPECT_FALSE(Read({"-v"}).version);  // -v is no switch of the tool's
  EXPECT_EQ("-v", Read({"-v"}).unknownSwitch);
}

TEST(RunOptionsTest, AnUnknownSwitchIsNeverTakenForAPath) {
  EXPECT_EQ("--complet", Read({"X.part.met", "--complet", "--bogus"}).unknownSwitch);
  EXPECT_EQ("/rebiuld", Read({"X.part.met", "/rebiuld"}).unknownSwitch);
  CommandLine line = Read({"X.part.met", "/rebiuld"});
  EXPECT_EQ(std::vector<std::string>{"X.part.met"}, line.paths);
}

TEST(RunOptionsTest, APathThatLooksLikeASwitch) {
  // A path of more than one word, or a file that exists, is a path.
  EXPECT_EQ(std::vector<std::string>{"/home/u/X.part.met"}, Read({"/home/u/X.part.met"}).paths);
  EXPECT_EQ(std::vector<std::string>{"/dl"}, Read({"/dl"}, {"/dl"}).paths);
  EXPECT_EQ("/dl", Read({"/dl"}).unknownSwitch);
  EXPECT_EQ(std::vector<std::string>{"\\dl\\X.part.met"}, Read({"\\dl\\X.part.met"}).paths);
  // After "--" every entry is a path, "-" alone anywhere.
  CommandLine ended = Read({"--rebuild", "--", "--complete", "-", "/nosparse"});
  EXPECT_EQ(std::vector<ModeId>{ModeId::Rebuild}, ended.options.modes);
  EXPECT_FALSE(ended.options.nosparse);
  EXPECT_EQ((std::vector<std::string>{"--complete", "-", "/nosparse"}), ended.paths);
  EXPECT_EQ(std::vector<std::string>{"-"}, Read({"-"}).paths);
}

}  // namespace
