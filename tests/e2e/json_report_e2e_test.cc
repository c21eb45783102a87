// --json seen from outside: for every mode, the report validates against the
// shipped schema, its lines are the text of the same run, and its figures are
// the ones the text gives; a batch with a failure; names outside ASCII.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "platform/path.h"
#include "sample/file_time.h"
#include "sample/sample_download.h"
#include "sample/sample_known.h"
#include "tests/e2e/e2e_support.h"
#include "tests/support/child_process.h"
#include "tests/support/platform_traits.h"
#include "tests/support/temp_folder.h"

namespace {

using Json = nlohmann::json;
constexpr uint64_t P = kSamplePartSize;

// The objects of the JSON Lines output; a line that is no JSON fails.
std::vector<Json> Objects(const std::string& output) {
  std::vector<Json> objects;
  size_t at = 0;
  while (at < output.size()) {
    size_t end = output.find('\n', at);
    if (end == std::string::npos) end = output.size();
    std::string line = output.substr(at, end - at);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    Json object = Json::parse(line, nullptr, /*allow_exceptions=*/false);
    EXPECT_FALSE(object.is_discarded()) << "not JSON: " << line;
    objects.push_back(std::move(object));
    at = end + 1;
  }
  return objects;
}

// What the schema says of the lines: "" when every one validates.
std::string SchemaProblems(const std::string& output) {
  if (!*kReportValidator) return "";
  const char kCheck[] =
      "import json, sys, jsonschema\n"
      "schema = json.load(open(sys.argv[1]))\n"
      "v = jsonschema.Draft202012Validator(schema)\n"
      "for line in sys.stdin:\n"
      "    for e in v.iter_errors(json.loads(line)): print(e.message)\n";
  ChildOptions options;
  options.input = output;
  options.collectErrors = true;
  ProcessResult run = RunProcess({kReportValidator, "-c", kCheck, PARTSWEEP_REPORT_SCHEMA}, options);
  return run.exitCode == 0 ? run.output : "the validator failed: " + run.output;
}

// A download with gaps that hold data over part 1, damaged, and in part 2,
// complete; part 3 damaged.
void WriteDownload(const std::string& folder, const std::string& name = "001") {
  SampleDownload sample;
  sample.name = name;
  sample.partHashes = true;
  sample.fileSize = 4 * P;
  sample.gaps = {{P, 2 * P}, {29000000, 29100000}};
  sample.gapContent = SampleGapContent::Data;
  sample.corruptParts = {1, 3};
  std::string error;
  ASSERT_TRUE(WriteSampleDownload(folder, sample, &error)) << error;
}

// The text lines of a run, without their line ends.
std::string Joined(const Json& messages) {
  std::string text;
  for (const Json& line : messages) text += line.get<std::string>() + "\n";
  return text;
}

// The lines as a pipe gets them: this platform's line ends and bar glyphs.
std::string AsPiped(const std::string& text) {
  std::string piped;
  for (size_t at = 0; at < text.size();) {
    if (text.compare(at, 3, "\xE2\x96\x88") == 0) {
      piped += kFullBlockGlyph;
      at += 3;
    } else if (text.compare(at, 3, "\xE2\x96\x92") == 0) {
      piped += kShadeGlyph;
      at += 3;
    } else {
      piped += text[at++];
    }
  }
  return Lines(piped);
}

TEST(JsonReportE2eTest, EveryModeReportsWhatItsTextSays) {
  const struct {
    std::vector<std::string> args;
    bool damaged;
    const char* mode;
    int exitStatus;
    std::vector<std::string> verdicts;
  } rows[] = {
      {{"001.part.met", "--nosparse"}, false, "list", 0, {"incomplete", "complete in a gap"}},
      {{"001.part.met", "-n"}, false, "list", 0, {"incomplete", "complete in a gap"}},
      {{"001.part.met", "--complete"}, false, "complete", 0, {}},
      {{"001.part.met", "--rebuild"}, false, "rebuild", 0,
       {"sound", "incomplete", "complete in a gap", "corrupt", "sound"}},
      {{"001.part.met", "--check"}, false, "check", 1,
       {"sound", "incomplete", "complete in a gap", "corrupt", "sound"}},
      {{"--recover", "001.part.met"}, true, "recover", 0,
       {"sound", "incomplete", "complete in a gap", "corrupt", "sound"}},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.args[0] + " " + row.args[1]);
    TempFolder text, report;
    for (const TempFolder* folder : {&text, &report}) {
      WriteDownload(folder->path());
      if (row.damaged) {
        const std::string met = ReadFileBytes(folder->Path("001.part.met"));
        ASSERT_TRUE(WriteFileBytes(folder->Path("001.part.met.bak"), met));
        ASSERT_TRUE(WriteFileBytes(folder->Path("001.part.met"), met.substr(0, 40)));
      }
    }
    ProcessResult said = RunTool(text.path(), row.args);
    std::vector<std::string> args = row.args;
    args.push_back("--json");
    ProcessResult run = RunTool(report.path(), args);
    EXPECT_EQ("", SchemaProblems(run.output)) << run.output;
    const std::vector<Json> objects = Objects(run.output);
    ASSERT_EQ(1u, objects.size()) << run.output;
    const Json& object = objects[0];
    EXPECT_EQ(row.mode, object["mode"]);
    EXPECT_EQ(row.exitStatus, run.exitCode) << run.output;
    EXPECT_EQ(said.exitCode, object["exitStatus"]);
    EXPECT_EQ(said.output, AsPiped(Joined(object["messages"]))) << run.output;
    std::vector<std::string> verdicts;
    for (const Json& part : object.value("parts", Json::array())) verdicts.push_back(part["verdict"]);
    EXPECT_EQ(row.verdicts, verdicts);
  }
}

TEST(JsonReportE2eTest, TheListingsGapsAndTotalsAreItsText) {
  TempFolder folder;
  WriteDownload(folder.path());
  ProcessResult run = RunTool(folder.path(), {"001.part.met", "--nosparse", "--json"});
  const std::vector<Json> objects = Objects(run.output);
  ASSERT_EQ(1u, objects.size());
  const Json& gaps = objects[0]["gaps"];
  ASSERT_EQ(2u, gaps.size()) << run.output;
  // The zero fill writes over every byte of data in the first gap; the
  // second lies in a part that hashes right.
  EXPECT_EQ(P, gaps[0]["start"]);
  EXPECT_EQ(2 * P, gaps[0]["end"]);
  EXPECT_EQ("cleared", gaps[0]["action"]);
  EXPECT_EQ(P, gaps[0]["zeroed"]);
  EXPECT_EQ("kept complete", gaps[1]["action"]);
  EXPECT_EQ(0, gaps[1].value("zeroed", 0));
  EXPECT_EQ(0, objects[0]["released"]);
  EXPECT_EQ(P, objects[0]["zeroed"]);
  EXPECT_TRUE(Contains(Joined(objects[0]["messages"]),
                       "Written over with zeros in '001.part': 9.27 MB, whose space the file system "
                       "keeps\n"));
}

TEST(JsonReportE2eTest, ABatchWithAFailureEndsWithItsSummary) {
  TempFolder folder;
  const std::string temp = folder.Path("Temp");
  ASSERT_TRUE(MakeFolder(temp));
  WriteDownload(temp, "001");
  // Outside ASCII, as names of a client's downloads often are.
  WriteDownload(temp, "\xc3\x9c" "ber \xe6\x97\xa5\xe6\x9c\xac");
  ASSERT_TRUE(WriteFileBytes(AppendPath(temp, "003.part.met"), "\xE0"));
  ProcessResult run = RunTool(folder.path(), {"--check", "Temp", "--json"});
  EXPECT_EQ("", SchemaProblems(run.output)) << run.output;
  const std::vector<Json> objects = Objects(run.output);
  ASSERT_EQ(4u, objects.size()) << run.output;
  EXPECT_EQ(AppendPath("Temp", "\xc3\x9c" "ber \xe6\x97\xa5\xe6\x9c\xac.part.met"),
            objects[2]["metPath"].get<std::string>());
  const Json& batch = objects[3];
  EXPECT_EQ("batch", batch["type"]);
  EXPECT_EQ(3, batch["downloads"]);
  EXPECT_EQ(0, batch["done"]);  // both others hold a corrupt part
  EXPECT_EQ(AppendPath("Temp", "003.part.met"), batch["failed"][1].get<std::string>());
  EXPECT_EQ(1, batch["exitStatus"]);
  EXPECT_EQ(1, run.exitCode);
}

TEST(JsonReportE2eTest, TheCheckOfSharedFilesReportsEachFile) {
  TempFolder folder;
  const std::string config = folder.Path("config"), incoming = folder.Path("Incoming");
  ASSERT_TRUE(MakeFolder(config) && MakeFolder(incoming));
  std::vector<std::string> files;
  for (uint32_t seed : {1u, 2u}) {
    const std::string path = AppendPath(incoming, std::to_string(seed) + ".avi");
    std::string bytes(P + 1000, '\0');
    SampleBytes(seed, 0, reinterpret_cast<uint8_t*>(&bytes[0]), bytes.size());
    ASSERT_TRUE(WriteFileBytes(path, bytes));
    files.push_back(path);
  }
  std::string error;
  ASSERT_TRUE(WriteSampleKnownFiles(config, files, &error)) << error;
  std::string rotten = ReadFileBytes(files[1]);
  rotten[5] ^= 1;
  ASSERT_TRUE(WriteFileBytes(files[1], rotten));
  ASSERT_EQ(0, SetModificationTime(files[1], *ModificationTime(files[0]) + 3600));
  const std::string known = AppendPath(config, "known.met");
  ProcessResult run = RunTool(folder.path(), {"--check", known, incoming, "--json"});
  EXPECT_EQ("", SchemaProblems(run.output)) << run.output;
  const std::vector<Json> objects = Objects(run.output);
  ASSERT_EQ(3u, objects.size()) << run.output;
  EXPECT_EQ("sound", objects[0]["state"]);
  EXPECT_EQ("corrupt", objects[1]["state"]);
  EXPECT_EQ(std::vector<int>{0}, objects[1]["corruptParts"].get<std::vector<int>>());
  EXPECT_EQ(true, objects[1]["changed"]);  // written anew: another time
  EXPECT_EQ("shared check", objects[2]["type"]);
  EXPECT_EQ(1, objects[2]["corrupt"]);
  EXPECT_EQ(1, objects[2]["exitStatus"]);
  EXPECT_EQ(1, run.exitCode);
}

}  // namespace

