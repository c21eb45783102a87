// The real client as the judge: aMule loads downloads after partsweep has
// worked on them, and what it makes of them must be what partsweep meant.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "known/client_config.h"
#include "known/client_files.h"
#include "known/known2_met.h"
#include "platform/disk.h"
#include "sample/file_time.h"
#include "sample/sample_download.h"
#include "sample/sample_known.h"
#include "tests/e2e/e2e_support.h"
#include "tests/interop/amule_daemon.h"
#include "tests/support/byte_text.h"
#include "tests/support/met_decoder.h"
#include "tests/support/temp_folder.h"

namespace {

using Ranges = std::vector<std::pair<uint64_t, uint64_t>>;

// What the tests know of a metadata file, read by their own decoder.
struct MetFacts {
  bool ok = false;
  /// The header from the file hash on: hash, part count, part hashes.
  std::string hashes;
  std::string fileHash;
  uint64_t fileSize = 0;
  /// The gaps as a client reads them, in index order.
  Ranges gaps;
  /// The text of the corrupted-parts tag (0x24), such as "3,7"; "" without one.
  std::string corruptedParts;
};

MetFacts ReadMetFacts(const std::string& path) {
  MetFacts facts;
  DecodedMet met = DecodeMet(ReadFileBytes(path));
  if (!met.ok || met.head.size() < 23) return facts;
  facts.ok = true;
  facts.hashes = met.head.substr(5);
  facts.fileHash = Hex(met.head.substr(5, 16));
  facts.fileSize = ClientFileSize(met).value_or(0);
  for (const auto& gap : ClientGaps(met)) facts.gaps.emplace_back(gap.first, gap.second);
  for (const DecodedTag& tag : met.tags) {
    if (tag.name == "\x24" && tag.type == 0x02) facts.corruptedParts = tag.text;
  }
  return facts;
}

// Byte ranges cut to the file and merged where they overlap or touch, as a
// client keeps its gaps.
Ranges MissingRanges(Ranges gaps, uint64_t fileSize) {
  std::sort(gaps.begin(), gaps.end());
  Ranges merged;
  for (auto [start, end] : gaps) {
    end = std::min(end, fileSize);
    if (start >= end) continue;
    if (!merged.empty() && start <= merged.back().second)
      merged.back().second = std::max(merged.back().second, end);
    else
      merged.emplace_back(start, end);
  }
  return merged;
}

bool OverlapsAGap(const SampleDownload& download, uint64_t start, uint64_t end) {
  for (const SampleGap& gap : download.gaps) {
    if (gap.start < end && gap.end > start) return true;
  }
  return false;
}

// What a download lacks after partsweep, known without reading its files:
// the generator's gaps and, after /rebuild, its corrupt complete parts (a
// part that a gap holds a piece of is not judged, as the clients judge only
// complete parts).
Ranges ExpectedMissing(const SampleDownload& download, bool corruptPartsToo) {
  Ranges ranges;
  for (const SampleGap& gap : download.gaps) ranges.emplace_back(gap.start, gap.end);
  if (corruptPartsToo) {
    for (uint32_t part : download.corruptParts) {
      const uint64_t start = part * kSamplePartSize, end = start + kSamplePartSize;
      if (!OverlapsAGap(download, start, end)) ranges.emplace_back(start, end);
    }
  }
  return MissingRanges(ranges, download.fileSize);
}

uint64_t Length(const Ranges& ranges) {
  uint64_t length = 0;
  for (const auto& range : ranges) length += range.second - range.first;
  return length;
}

std::string Show(const Ranges& ranges) {
  std::ostringstream text;
  for (const auto& range : ranges) text << " [" << range.first << ", " << range.second << ")";
  return text.str();
}

// partsweep's file, read as a client reads it, declares just those gaps.
void ExpectDeclaredGaps(const MetFacts& ours, const Ranges& expected) {
  EXPECT_EQ(Show(expected), Show(MissingRanges(ours.gaps, ours.fileSize)))
      << "the gaps partsweep wrote, read by the clients' rules";
}

// The client shows as complete what the file declares downloaded: its size
// less its gaps, in percent as the client prints it, with one decimal.
void ExpectCompletion(const DownloadList& list, const MetFacts& ours, const Ranges& expected) {
  const ListedDownload* listed = FindListedDownload(list, ours.fileHash);
  ASSERT_NE(nullptr, listed) << "the client does not list " << ours.fileHash;
  ASSERT_TRUE(listed->percent) << listed->name << " has no completion";
  const double declared =
      100.0 * double(ours.fileSize - Length(expected)) / double(ours.fileSize);
  EXPECT_NEAR(declared, *listed->percent, 0.0501)
      << listed->name << ": the client's completion is not the file's less the gaps"
      << Show(expected);
}

// The metadata file the client saved when it stopped holds the gaps it had
// read from ours, and it kept our part hashes.
void ExpectClientSavedSameGaps(const std::string& clientMet, const MetFacts& ours,
                               const Ranges& expected) {
  MetFacts saved = ReadMetFacts(clientMet);
  ASSERT_TRUE(saved.ok) << clientMet << " as the client saved it cannot be decoded";
  EXPECT_EQ(ours.hashes, saved.hashes) << "the client dropped or changed the part hashes";
  EXPECT_EQ(Show(expected), Show(saved.gaps))
      << "the gaps the client saved are not those partsweep wrote";
}

// Lines of the client's log that contain any of `words`.
std::string LogLinesWith(const std::string& log, std::initializer_list<const char*> words) {
  std::istringstream lines(log);
  std::string found;
  for (std::string line; std::getline(lines, line);) {
    for (const char* word : words) {
      if (line.find(word) != std::string::npos) {
        found += line + "\n";
        break;
      }
    }
  }
  return found;
}

// A download as aMule keeps it once it knows the part hashes: no
// part-file-name tag, real part hashes and a file hash made from them.
SampleDownload HashedDownload(const std::string& name, uint32_t seed, uint64_t fileSize,
                              std::vector<SampleGap> gaps) {
  SampleDownload download;
  download.name = name;
  download.seed = seed;
  download.fileSize = fileSize;
  download.partHashes = true;
  download.partFileNameTag = false;
  download.gaps = std::move(gaps);
  return download;
}

class AmuleInteropTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string missing;
    std::optional<AmulePrograms> found = FindAmulePrograms(&missing);
    ASSERT_TRUE(found) << missing << " is not installed";
    programs_ = *found;
  }

  std::string Work(const std::string& name) const {
    return (std::filesystem::path(folder_.path()) / "work" / name).string();
  }

  // Writes a generated download into the work folder; gives its metadata file.
  std::string Generate(const SampleDownload& download) {
    std::filesystem::create_directories(Work(""));
    std::string error;
    EXPECT_TRUE(WriteSampleDownload(Work(""), download, &error)) << error;
    return Work(download.name + ".part.met");
  }

  void RunPartsweep(const std::vector<std::string>& args) {
    ProcessResult run = RunTool(Work(""), args);
    ASSERT_EQ(0, run.exitCode) << run.output;
  }

  // A client of its own in a fresh folder, which loads these downloads.
  ::testing::AssertionResult StartClient(const std::string& name,
                                         const std::vector<std::string>& metPaths,
                                         std::unique_ptr<AmuleDaemon>* client) {
    *client = std::make_unique<AmuleDaemon>(
        programs_, (std::filesystem::path(folder_.path()) / name).string());
    std::string error;
    if ((*client)->Start(metPaths, &error)) return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << error;
  }

  // The list once the client has settled: aMule updates the completion of
  // some downloads only at a periodic tick, and a gap it finds by itself
  // shows only then.
  DownloadList Settled(const AmuleDaemon& daemon) {
    std::string error;
    std::optional<DownloadList> list = daemon.WaitUntilSettled(&error);
    EXPECT_TRUE(list) << error;
    return list.value_or(DownloadList{});
  }

  // Waits until the client logs `text`, as it does once it is done with a
  // download.
  static ::testing::AssertionResult Logged(AmuleDaemon& daemon, const std::string& text) {
    std::string error;
    if (daemon.WaitForLogLine(text, &error)) return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << error;
  }

  // The client's own copy of a metadata file, in its temp folder.
  static std::string ClientMet(const AmuleDaemon& daemon, const std::string& metPath) {
    return (std::filesystem::path(daemon.TempFolder()) /
            std::filesystem::path(metPath).filename())
        .string();
  }

  // Starts a client on the download and stops it again: it shows the
  // completion `met` declares, without hashing anything, and saves the same
  // gaps back. Gives the client's saved copy ("" where a start failed).
  std::string LoadedAsDeclared(const std::string& met, const MetFacts& ours, const Ranges& expected) {
    std::unique_ptr<AmuleDaemon> client;
    EXPECT_TRUE(StartClient("client", {met}, &client));
    if (!client) return "";
    DownloadList list = Settled(*client);
    const bool stopped = client->Stop();
    ExpectCompletion(list, ours, expected);
    EXPECT_EQ("", LogLinesWith(client->Log(), {"corrupt", "rehash"}));
    EXPECT_TRUE(stopped) << "the client did not stop cleanly, so it did not save";
    const std::string saved = ClientMet(*client, met);
    if (stopped) ExpectClientSavedSameGaps(saved, ours, expected);
    return saved;
  }

  TempFolder folder_;
  AmulePrograms programs_;
};

TEST_F(AmuleInteropTest, AfterAListingTheClientSeesTheSameCompletion) {
  // Five parts: 0 and 2 complete, right beside the gap over part 1; part 3
  // and the short part 4 each with a gap of their own. The gaps hold the
  // download's bytes, as after a crash before the client saved its gaps:
  // part 1 is whole and sound, so the listing keeps it, and the client finds
  // it again when it hashes; parts 3 and 4 are damaged, so their gaps are
  // cleared and nothing of them hashes right afterwards.
  SampleDownload download = HashedDownload(
      "001", 11, 40000000, {{9728000, 19456000}, {30000000, 30500000}, {39000000, 40000000}});
  download.gapContent = SampleGapContent::Data;
  download.corruptParts = {3, 4};
  const std::string met = Generate(download);
  const MetFacts ours = ReadMetFacts(met);
  ASSERT_TRUE(ours.ok);
  const Ranges expected = ExpectedMissing(download, false);
  ExpectDeclaredGaps(ours, expected);

  DownloadList before;
  {
    std::unique_ptr<AmuleDaemon> client;
    ASSERT_TRUE(StartClient("before", {met}, &client));
    before = Settled(*client);
    EXPECT_TRUE(client->Stop());
    // The generated download looks freshly saved by the client.
    EXPECT_EQ("", LogLinesWith(client->Log(), {"corrupt", "rehash"}));
  }
  const ListedDownload* first = FindListedDownload(before, ours.fileHash);
  ASSERT_NE(nullptr, first) << "the client did not load the generated download";
  ExpectCompletion(before, ours, expected);

  const std::string part1 = ReadFileBytes(Work("001.part")).substr(9728000, 9728000);
  ProcessResult listing = RunTool(Work(""), {"001.part.met"});
  ASSERT_EQ(0, listing.exitCode) << listing.output;
  EXPECT_NE(std::string::npos, listing.output.find("1 parts whose bytes hash right were kept"))
      << listing.output;
  EXPECT_TRUE(part1 == ReadFileBytes(Work("001.part")).substr(9728000, 9728000));
  std::unique_ptr<AmuleDaemon> client;
  ASSERT_TRUE(StartClient("after", {met}, &client));
  DownloadList after = Settled(*client);
  const bool stopped = client->Stop();
  const ListedDownload* second = FindListedDownload(after, ours.fileHash);
  ASSERT_NE(nullptr, second) << "the client did not load the download after the listing";
  EXPECT_EQ(first->percent, second->percent);
  ExpectCompletion(after, ours, expected);
  // The listing kept the data file's times, so the client trusts its data
  // as before: it neither warns nor hashes anything again.
  EXPECT_EQ("", LogLinesWith(client->Log(), {"corrupt", "rehash"}));
  ASSERT_TRUE(stopped) << "the client did not stop cleanly, so it did not save";
  ExpectClientSavedSameGaps(ClientMet(*client, met), ours, expected);

  // Made to doubt the data (another time, as after a crash), the client
  // hashes every part again: parts 0 and 2, right beside the gap, are sound,
  // and part 1, which the listing kept, is found complete after all.
  ASSERT_EQ(0, SetModificationTime(Work("001.part"), download.timeStamp + 3600));
  std::unique_ptr<AmuleDaemon> doubting;
  ASSERT_TRUE(StartClient("doubting", {met}, &doubting));
  DownloadList rehashed = Settled(*doubting);
  EXPECT_TRUE(doubting->Stop());
  EXPECT_NE("", LogLinesWith(doubting->Log(), {"might be corrupted"})) << doubting->Log();
  EXPECT_NE("", LogLinesWith(doubting->Log(), {"Found completed part (2)"})) << doubting->Log();
  EXPECT_EQ("", LogLinesWith(doubting->Log(), {"Found corrupted part"}));
  SampleDownload refound = download;
  refound.gaps.erase(refound.gaps.begin());
  ExpectCompletion(rehashed, ours, ExpectedMissing(refound, false));
}

TEST_F(AmuleInteropTest, AfterCompleteTheClientTakesTheDownloadForComplete) {
  // The data inside the gaps too, so that every part is sound and the
  // completed file is the download's.
  SampleDownload download = HashedDownload(
      "002", 12, 40000000, {{1000000, 1300000}, {19456000, 29184000}, {39000000, 40000000}});
  download.gapContent = SampleGapContent::Data;
  const std::string met = Generate(download);
  const MetFacts ours = ReadMetFacts(met);
  ASSERT_TRUE(ours.ok);

  ASSERT_NO_FATAL_FAILURE(RunPartsweep({"002.part.met", "--complete"}));
  const MetFacts completed = ReadMetFacts(met);
  ASSERT_TRUE(completed.ok);
  ASSERT_EQ(ours.hashes, completed.hashes);
  ExpectDeclaredGaps(completed, {});
  std::unique_ptr<AmuleDaemon> client;
  ASSERT_TRUE(StartClient("client", {met}, &client));
  // A complete download is hashed, moved to the incoming folder under its
  // own name and leaves the list.
  EXPECT_TRUE(Logged(*client, "Finished downloading: test_movie.avi"));
  DownloadList list = Settled(*client);
  EXPECT_TRUE(client->Stop());
  EXPECT_EQ(nullptr, FindListedDownload(list, ours.fileHash));
  EXPECT_EQ("", LogLinesWith(client->Log(), {"corrupt", "rehash"}));
  const std::string finished = ReadFileBytes(
      (std::filesystem::path(client->IncomingFolder()) / "test_movie.avi").string());
  ASSERT_EQ(download.fileSize, finished.size());
  std::string expected(finished.size(), '\0');
  SampleBytes(download.seed, 0, reinterpret_cast<uint8_t*>(&expected[0]), expected.size());
  EXPECT_TRUE(expected == finished) << "the completed file is not the downloaded data";
  EXPECT_FALSE(PathExists(ClientMet(*client, met)));
}

TEST_F(AmuleInteropTest, AfterRebuildTheClientReadsEveryGap) {
  // Parts 0 and 3 partly downloaded, part 3 with damage in its downloaded
  // bytes too; parts 1 and 4 (the short last one, whose gap ends at the
  // download's size) complete and corrupt. Exactly parts 1 and 4 become gaps
  // and are listed as corrupt: the downloaded bytes of 0 and 3 stay downloaded.
  SampleDownload partial =
      HashedDownload("003", 13, 40000000, {{1000000, 1300000}, {29184000, 29500000}});
  partial.corruptParts = {1, 3, 4};

  // Many small gaps in parts 0 and 1: corrupt part 0 holds some and is not
  // judged. Corrupt parts 2 and 4 each begin where a gap ends, so those
  // gaps grow over them.
  SampleDownload fragmented = HashedDownload("004", 14, 50000000, {});
  fragmented.partFileNameTag = true;  // as eMule writes it
  fragmented.corruptParts = {0, 2, 4};
  for (uint64_t start = 250000; start + 20000 < 2 * kSamplePartSize; start += 1230000)
    fragmented.gaps.push_back({start, start + 20000});
  fragmented.gaps.push_back({18000000, 19456000});
  fragmented.gaps.push_back({29184000, 29300000});
  fragmented.gaps.push_back({38800000, 38912000});
  std::sort(fragmented.gaps.begin(), fragmented.gaps.end(),
            [](const SampleGap& a, const SampleGap& b) { return a.start < b.start; });

  std::vector<std::string> mets;
  std::vector<MetFacts> rebuilt;
  std::vector<Ranges> expected;
  const std::vector<std::string> listed = {"1,4", "2,4"};
  for (const SampleDownload* download : {&partial, &fragmented}) {
    mets.push_back(Generate(*download));
    ASSERT_NO_FATAL_FAILURE(RunPartsweep({download->name + ".part.met", "--rebuild"}));
    rebuilt.push_back(ReadMetFacts(mets.back()));
    ASSERT_TRUE(rebuilt.back().ok);
    expected.push_back(ExpectedMissing(*download, true));
    SCOPED_TRACE(mets.back());
    ExpectDeclaredGaps(rebuilt.back(), expected.back());
    for (const auto& gap : rebuilt.back().gaps) EXPECT_LE(gap.second, download->fileSize);
    EXPECT_EQ(listed[mets.size() - 1], rebuilt.back().corruptedParts);
  }

  std::unique_ptr<AmuleDaemon> client;
  ASSERT_TRUE(StartClient("client", mets, &client));
  DownloadList list = Settled(*client);
  const bool stopped = client->Stop();
  for (size_t i = 0; i < mets.size(); ++i) {
    SCOPED_TRACE(mets[i]);
    ExpectCompletion(list, rebuilt[i], expected[i]);
  }
  // The client took our gaps as they are and had no reason to look at the
  // data itself.
  EXPECT_EQ("", LogLinesWith(client->Log(), {"corrupt", "rehash", "Finished downloading"}));
  ASSERT_TRUE(stopped) << "the client did not stop cleanly, so it did not save";
  for (size_t i = 0; i < mets.size(); ++i) {
    SCOPED_TRACE(mets[i]);
    ExpectClientSavedSameGaps(ClientMet(*client, mets[i]), rebuilt[i], expected[i]);
    EXPECT_EQ(listed[i], ReadMetFacts(ClientMet(*client, mets[i])).corruptedParts);
  }
}

// A part /rebuild found corrupt is recorded where the clients record one,
// merged with a part the file listed before that is still not whole: the
// client loads the list, keeps the gaps as they are (so that its recovery
// can mend the listed parts from their old bytes) and saves the list back.
TEST_F(AmuleInteropTest, TheClientKeepsTheCorruptedPartsRebuildRecorded) {
  // Part 1 complete and damaged; part 3 (the short last one) listed by an
  // earlier check and partly downloaded since.
  SampleDownload download = HashedDownload("008", 17, 30000000, {{29300000, 29500000}});
  download.corruptParts = {1};
  download.extraTags = {SampleTextTag("\x24", "3")};
  const std::string met = Generate(download);
  ASSERT_NO_FATAL_FAILURE(RunPartsweep({"008.part.met", "--rebuild"}));
  const MetFacts rebuilt = ReadMetFacts(met);
  ASSERT_TRUE(rebuilt.ok);
  EXPECT_EQ("1,3", rebuilt.corruptedParts);
  const Ranges expected = {{9728000, 19456000}, {29300000, 29500000}};
  ExpectDeclaredGaps(rebuilt, expected);

  const std::string saved = LoadedAsDeclared(met, rebuilt, expected);
  EXPECT_EQ("1,3", ReadMetFacts(saved).corruptedParts) << "the client did not keep the list";
}

// A file a client loaded and saved after a writer of one-byte gap tags: the
// client's indexed gaps, and beside them, kept as an unknown pair, the old
// one-byte tags over part 1, downloaded since. The rebuild drops them, and
// the client loads the completion its own gaps declare.
TEST_F(AmuleInteropTest, AfterRebuildStaleOneByteGapTagsAreGone) {
  SampleDownload download = HashedDownload("009", 18, 30000000, {{29300000, 29500000}});
  download.extraTags = {SampleNumberTag("\x09", 9728000), SampleNumberTag("\x0A", 19456000)};
  const std::string met = Generate(download);
  ASSERT_NO_FATAL_FAILURE(RunPartsweep({"009.part.met", "--rebuild"}));
  for (const DecodedTag& tag : DecodeMet(ReadFileBytes(met)).tags)
    EXPECT_FALSE(tag.name == "\x09" || tag.name == "\x0A") << "a one-byte gap tag stayed";
  const MetFacts rebuilt = ReadMetFacts(met);
  ASSERT_TRUE(rebuilt.ok);
  const Ranges expected = {{29300000, 29500000}};
  ExpectDeclaredGaps(rebuilt, expected);

  LoadedAsDeclared(met, rebuilt, expected);
}

// One flipped byte in a stored part hash: the clients would throw the list
// away, so /rebuild judges nothing by it and leaves the download exactly as
// it was, and the client loads it as its gaps declare.
TEST_F(AmuleInteropTest, ADamagedPartHashListIsLeftAsItWas) {
  const std::string met = Generate(HashedDownload("009", 18, 30000000, {{1000000, 1300000}}));
  std::string bytes = ReadFileBytes(met);
  // The header: version, time stamp, file hash, part count, then the hashes.
  const size_t partTwoHash = 1 + 4 + 16 + 2 + 2 * 16;
  bytes[partTwoHash + 7] = char(~bytes[partTwoHash + 7]);
  ASSERT_TRUE(WriteFileBytes(met, bytes));
  const std::string data = ReadFileBytes(Work("009.part"));

  ProcessResult run = RunTool(Work(""), {"009.part.met", "--rebuild"});
  EXPECT_EQ(1, run.exitCode) << run.output;
  EXPECT_NE(std::string::npos, run.output.find("the stored part hashes do not match the file hash"))
      << run.output;
  EXPECT_TRUE(bytes == ReadFileBytes(met)) << "the metadata file changed";
  EXPECT_TRUE(data == ReadFileBytes(Work("009.part"))) << "the data file changed";
  std::vector<std::string> files;
  for (const auto& entry : std::filesystem::directory_iterator(Work("")))
    files.push_back(entry.path().filename().string());
  std::sort(files.begin(), files.end());
  EXPECT_EQ((std::vector<std::string>{"009.part", "009.part.met"}), files) << "a backup was made";

  const MetFacts ours = ReadMetFacts(met);
  ASSERT_TRUE(ours.ok);
  std::unique_ptr<AmuleDaemon> client;
  ASSERT_TRUE(StartClient("client", {met}, &client));
  DownloadList list = Settled(*client);
  EXPECT_TRUE(client->Stop());
  ExpectCompletion(list, ours, {{1000000, 1300000}});
}

// Downloads of 5,000,000,000 bytes, as the clients keep them (version 0xE2,
// 64-bit tags, a sparse data file), after each mode: a listing, /complete,
// and /rebuild with a corrupt part above 4 GiB. The client takes each for
// what its metadata file declares, and saves the same gaps back.
TEST_F(AmuleInteropTest, ALargeDownloadReadsAsItsFileSaysAfterEveryMode) {
  constexpr uint64_t kSize = 5000000000, k4GiB = 4294967296;
  const std::vector<SampleGap> gaps = {
      {k4GiB - 131072, k4GiB + 131072}, {4500000000, 4500300000}, {kSize - 65536, kSize}};
  // Listed: its gaps hold bytes, which the listing gives back.
  SampleDownload listed = HashedDownload("005", 21, kSize, gaps);
  listed.gapContent = SampleGapContent::Data;
  for (const SampleGap& gap : gaps)
    listed.dataRegions.push_back({gap.start - 65536, std::min(gap.end + 65536, kSize)});
  // Completed: a download whose gaps, holes, lie where its bytes are zero,
  // so that the client finds every part sound once it takes them for done.
  SampleDownload completed =
      HashedDownload("006", 22, kSize, {{k4GiB - 4096, k4GiB + 4096}, {4800000000, kSize}});
  completed.dataRegions = {{0, 1048576}};
  // Rebuilt: part 460 (from 4,474,880,000) corrupt, part 462 partly downloaded.
  // The download has bytes in every gap, which never arrived: no part that
  // holds a gap is complete.
  SampleDownload rebuilt = HashedDownload("007", 23, kSize, gaps);
  rebuilt.dataRegions = {gaps[0], {460 * kSamplePartSize, 463 * kSamplePartSize}, gaps[2]};
  rebuilt.corruptParts = {460, 462};

  std::vector<std::string> mets;
  std::vector<MetFacts> facts;
  std::vector<Ranges> expected;
  const std::vector<std::pair<const SampleDownload*, const char*>> runs = {
      {&listed, ""}, {&completed, "--complete"}, {&rebuilt, "--rebuild"}};
  for (const auto& [download, mode] : runs) {
    mets.push_back(Generate(*download));
    ASSERT_NO_FATAL_FAILURE(RunPartsweep({download->name + ".part.met", mode}));
    facts.push_back(ReadMetFacts(mets.back()));
    ASSERT_TRUE(facts.back().ok);
    EXPECT_EQ(kSize, facts.back().fileSize);
    expected.push_back(std::string(mode) == "--complete" ? Ranges{}
                                                         : ExpectedMissing(*download, true));
    SCOPED_TRACE(mets.back());
    ExpectDeclaredGaps(facts.back(), expected.back());
  }

  std::unique_ptr<AmuleDaemon> client;
  ASSERT_TRUE(StartClient("client", mets, &client));
  // Hashing the completed one takes the client a while.
  EXPECT_TRUE(Logged(*client, "Finished downloading"));
  DownloadList list = Settled(*client);
  const bool stopped = client->Stop();
  for (size_t i : {size_t(0), size_t(2)}) {
    SCOPED_TRACE(mets[i]);
    ExpectCompletion(list, facts[i], expected[i]);
  }
  EXPECT_EQ(nullptr, FindListedDownload(list, facts[1].fileHash)) << "the completed one stays listed";
  EXPECT_EQ("", LogLinesWith(client->Log(), {"corrupt"}));
  ASSERT_TRUE(stopped) << "the client did not stop cleanly, so it did not save";
  for (size_t i : {size_t(0), size_t(2)}) {
    SCOPED_TRACE(mets[i]);
    ExpectClientSavedSameGaps(ClientMet(*client, mets[i]), facts[i], expected[i]);
  }
}

// amuled runs on when its remote control's port is taken, and another
// client's remote control answers there instead; the start must notice and
// move to other ports.
TEST_F(AmuleInteropTest, AClientWhosePortIsTakenStartsAgainOnOthers) {
  std::vector<std::string> mets;
  for (uint32_t seed : {15, 16}) {
    SampleDownload download;
    download.name = std::to_string(seed);
    download.seed = seed;
    download.fileSize = 1000000;
    download.gaps = {{0, 500000}};
    mets.push_back(Generate(download));
  }
  std::unique_ptr<AmuleDaemon> first;
  ASSERT_TRUE(StartClient("first", {mets[0]}, &first));
  auto second = std::make_unique<AmuleDaemon>(
      programs_, (std::filesystem::path(folder_.path()) / "second").string());
  second->UseRemotePortFirst(first->RemotePort());
  std::string error;
  ASSERT_TRUE(second->Start({mets[1]}, &error)) << error;
  // Noticed in the client's log, not by waiting for an answer that never
  // comes.
  EXPECT_EQ(std::vector<std::string>{"its log says a port is taken"}, second->RetryReasons());
  EXPECT_EQ(2, second->Attempts());
  EXPECT_NE(first->RemotePort(), second->RemotePort());

  std::optional<DownloadList> list = second->WaitUntilSettled(&error);
  ASSERT_TRUE(list) << error;
  EXPECT_NE(nullptr, FindListedDownload(*list, ReadMetFacts(mets[1]).fileHash));
  EXPECT_EQ(nullptr, FindListedDownload(*list, ReadMetFacts(mets[0]).fileHash));
  EXPECT_TRUE(second->Stop());
  EXPECT_TRUE(first->Stop());
}

// Two downloads the client had lost: 005's metadata file cut short by a
// crash, with the client's older .bak (part 1 fetched since, still a gap
// there), and 006's metadata file gone, built from its ed2k link with p=.
// The client loads both without a warning or a re-hash, shows the completion
// their gaps declare, and saves the same gaps and part hashes back.
TEST_F(AmuleInteropTest, ARecoveredDownloadLoadsAsItsFileSays) {
  SampleDownload lost = HashedDownload("005", 17, 40000000, {{30000000, 30500000}});
  const std::string lostMet = Generate(lost);
  SampleDownload backedUp = lost;
  backedUp.gaps = {{9728000, 19456000}, {30000000, 30500000}};
  backedUp.timeStamp = lost.timeStamp - 1000;
  ASSERT_TRUE(WriteFileBytes(lostMet + ".bak", EncodeSampleMet(backedUp, SamplePartHashes(lost))));
  ASSERT_TRUE(WriteFileBytes(lostMet, ReadFileBytes(lostMet).substr(0, 150)));
  ASSERT_NO_FATAL_FAILURE(RunPartsweep({"--recover", "005.part.met"}));

  SampleDownload linked = HashedDownload("006", 18, 40000000, {{20000000, 20600000}});
  const std::string linkedMet = Generate(linked);
  const std::string original = ReadFileBytes(linkedMet);
  ASSERT_EQ(0, std::remove(linkedMet.c_str()));
  std::string link = "ed2k://|file|lost%20movie.avi|40000000|" + Hex(original.substr(5, 16)) + "|p=";
  for (int i = 0; i < 5; ++i) link += (i ? ":" : "") + Hex(original.substr(23 + 16 * i, 16));
  ASSERT_NO_FATAL_FAILURE(RunPartsweep({"--recover", "006.part", link + "|/"}));

  const std::vector<std::string> mets{lostMet, linkedMet};
  const std::vector<Ranges> expected{{{30000000, 30500000}}, {{20000000, 20600000}}};
  std::vector<MetFacts> ours;
  for (size_t i = 0; i < mets.size(); ++i) {
    SCOPED_TRACE(mets[i]);
    ours.push_back(ReadMetFacts(mets[i]));
    ASSERT_TRUE(ours.back().ok);
    ExpectDeclaredGaps(ours.back(), expected[i]);
  }
  EXPECT_EQ(original.substr(5, 16 + 2 + 5 * 16), ours[1].hashes) << "the link's part hashes";

  std::unique_ptr<AmuleDaemon> client;
  ASSERT_TRUE(StartClient("client", mets, &client));
  DownloadList list = Settled(*client);
  const bool stopped = client->Stop();
  EXPECT_EQ("", LogLinesWith(client->Log(), {"corrupt", "rehash", "Finished downloading"}));
  ASSERT_TRUE(stopped) << "the client did not stop cleanly, so it did not save";
  for (size_t i = 0; i < mets.size(); ++i) {
    SCOPED_TRACE(mets[i]);
    ExpectCompletion(list, ours[i], expected[i]);
    ExpectClientSavedSameGaps(ClientMet(*client, mets[i]), ours[i], expected[i]);
  }
}

// The client's record of what it shares, written by aMule itself: it hashes
// the files of its Incoming folder at start and keeps their block hashes in
// known2_64.met and the records in known.met. Both decode to what the files'
// own bytes give, with the AICH roots rhash prints, and its configuration
// reads back as the folders it was given.
TEST_F(AmuleInteropTest, TheClientsRecordOfSharedFilesIsWhatTheFilesGive) {
  const std::string rhash = FindProgramOnPath("rhash");
  ASSERT_NE("", rhash) << "rhash is not installed";
  const std::vector<uint64_t> sizes = {5000000, 20233777, 29184001};
  const std::vector<uint64_t> blockCounts = {28, 111, 160};
  std::filesystem::create_directories(Work(""));
  std::vector<std::string> paths;
  std::vector<SampleFileHashes> hashes(sizes.size());
  std::vector<std::string> roots;
  for (size_t i = 0; i < sizes.size(); ++i) {
    paths.push_back(Work("shared " + std::to_string(i + 1) + ".bin"));
    std::string bytes(sizes[i], '\0');
    SampleBytes(uint32_t(31 + i), 0, reinterpret_cast<uint8_t*>(&bytes[0]), bytes.size());
    ASSERT_TRUE(WriteFileBytes(paths[i], bytes));
    ASSERT_EQ(0, SetModificationTime(paths[i], 1700000000 + int64_t(i)));
    ASSERT_TRUE(HashSampleFile(paths[i], &hashes[i]));
    ProcessResult printed = RunProcess({rhash, "--aich", paths[i]}, Within(60000000));
    ASSERT_EQ(0, printed.exitCode) << printed.output;
    std::string root = printed.output.substr(0, printed.output.find(' '));
    std::transform(root.begin(), root.end(), root.begin(), ::toupper);
    roots.push_back(root);
  }

  AmuleDaemon client(programs_, (std::filesystem::path(folder_.path()) / "client").string());
  client.ShareFromIncoming(paths);
  std::string error;
  ASSERT_TRUE(client.Start({}, &error)) << error;
  ASSERT_TRUE(client.WaitUntilShared(sizes.size(), &error)) << error;
  ASSERT_TRUE(client.Stop()) << "the client did not stop cleanly, so it did not save";

  Disk& disk = SystemDisk();
  const KnownMet known = LoadKnownMet(disk, (std::filesystem::path(client.ConfigFolder()) / "known.met").string());
  EXPECT_EQ("", known.problem + known.damage);
  EXPECT_EQ(0x0E, known.version);
  ASSERT_EQ(sizes.size(), known.files.size());
  OpenResult known2 = disk.OpenShared((std::filesystem::path(client.ConfigFolder()) / "known2_64.met").string());
  ASSERT_TRUE(known2.ok());
  const Known2Index index = IndexKnown2Met(disk, known2.file);
  EXPECT_EQ("", index.problem + index.damage);
  EXPECT_EQ(sizes.size(), index.sets.size());
  for (size_t i = 0; i < sizes.size(); ++i) {
    SCOPED_TRACE(paths[i]);
    const std::string name = "shared " + std::to_string(i + 1) + ".bin";
    auto file = std::find_if(known.files.begin(), known.files.end(),
                             [&](const KnownFile& f) { return f.name == name; });
    ASSERT_NE(known.files.end(), file) << "no record of " << name;
    EXPECT_TRUE(file->problems.empty()) << file->problems.front();
    EXPECT_EQ(sizes[i], file->size.value_or(0));
    EXPECT_EQ(1700000000u + i, file->modificationTime);
    EXPECT_EQ(Hex(hashes[i].fileHash), Hex(file->fileHash.data()));
    std::string partHashes;
    for (const Md4Hash& hash : file->partHashes) partHashes.append(hash.begin(), hash.end());
    EXPECT_EQ(Hex(hashes[i].partHashes), Hex(partHashes));
    EXPECT_EQ(roots[i], file->aichRootText);
    EXPECT_EQ(roots[i], SampleBase32(hashes[i].aichRoot)) << "the sample's AICH tree";
    ASSERT_TRUE(file->aichRoot);
    const AichBlockSet* set = FindAichBlockSet(index, *file->aichRoot);
    ASSERT_NE(nullptr, set);
    EXPECT_EQ(blockCounts[i], set->count);
    std::vector<AichHash> blocks;
    EXPECT_EQ("", ReadAichBlockHashes(disk, known2.file, *set, sizes[i], kAllParts, &blocks));
    std::string blockHashes;
    for (const AichHash& hash : blocks) blockHashes.append(hash.begin(), hash.end());
    EXPECT_TRUE(hashes[i].blockHashes == blockHashes) << "the block hashes differ";
  }

  const ClientFolders folders = ReadClientFolders(disk, client.ConfigFolder());
  EXPECT_EQ(static_cast<int>(ClientKind::Amule), static_cast<int>(folders.client));
  EXPECT_EQ(client.IncomingFolder(), folders.incoming);
  EXPECT_EQ(std::vector<std::string>{client.TempFolder()}, folders.temp);
  EXPECT_TRUE(folders.problems.empty());
}

}  // namespace

// aMule hashes the files of its Incoming folder; one then rots in place,
// its time kept. The check of the client's own record names exactly that
// file and part; reopened, it is a download the client loads as its gaps
// declare, without hashing it again, keeping its corrupted-parts list.
TEST_F(AmuleInteropTest, AFileThatRottedIsNamedAndReopened) {
  std::filesystem::create_directories(Work(""));
  std::vector<std::string> paths;
  for (uint32_t i = 0; i < 3; ++i) {
    paths.push_back(Work("shared " + std::to_string(i + 1) + ".bin"));
    std::string bytes(20233777, '\0');
    SampleBytes(41 + i, 0, reinterpret_cast<uint8_t*>(&bytes[0]), bytes.size());
    ASSERT_TRUE(WriteFileBytes(paths.back(), bytes));
    ASSERT_EQ(0, SetModificationTime(paths.back(), 1700000000 + i));
  }
  AmuleDaemon hasher(programs_, (std::filesystem::path(folder_.path()) / "hasher").string());
  hasher.ShareFromIncoming(paths);
  std::string error;
  ASSERT_TRUE(hasher.Start({}, &error)) << error;
  ASSERT_TRUE(hasher.WaitUntilShared(paths.size(), &error)) << error;
  ASSERT_TRUE(hasher.Stop()) << "the client did not stop cleanly, so it did not save";

  const std::string rotten = (std::filesystem::path(hasher.IncomingFolder()) / "shared 2.bin").string();
  {
    std::fstream file(rotten, std::ios::in | std::ios::out | std::ios::binary);
    file.seekp(kSamplePartSize + 1000);
    file.put('\x5A');
  }
  ASSERT_EQ(0, SetModificationTime(rotten, 1700000001));
  const std::string known = (std::filesystem::path(hasher.ConfigFolder()) / "known.met").string();
  ProcessResult check = RunTool(Work(""), {"--check", known});
  EXPECT_EQ(1, check.exitCode) << check.output;
  EXPECT_NE(std::string::npos, check.output.find("'" + rotten + "': corrupt, parts 1 (AICH blocks that "
                                                 "differ: part 1: 0)\n"))
      << check.output;
  EXPECT_NE(std::string::npos, check.output.find("Shared files: 2 sound, 1 corrupt, 0 not found"))
      << check.output;

  ProcessResult reopen = RunTool(Work(""), {"--reopen", known, rotten});
  ASSERT_EQ(0, reopen.exitCode) << reopen.output;
  const std::string met = (std::filesystem::path(hasher.TempFolder()) / "001.part.met").string();
  const MetFacts ours = ReadMetFacts(met);
  ASSERT_TRUE(ours.ok);
  const Ranges expected = {{kSamplePartSize, 2 * kSamplePartSize}};
  ExpectDeclaredGaps(ours, expected);
  EXPECT_EQ("1", ours.corruptedParts);
  const std::string saved = LoadedAsDeclared(met, ours, expected);
  EXPECT_EQ("1", ReadMetFacts(saved).corruptedParts) << "the client did not keep the list";
}

// Parts imported from another copy: the client loads the download as its
// gaps declare, without hashing it again; and once an import filled every
// gap, it checks every hash and completes the download.
TEST_F(AmuleInteropTest, AnImportedDownloadLoadsAndCompletes) {
  // Parts 1 and 3 missing; the copy holds part 1 sound and part 3 damaged.
  SampleDownload download = HashedDownload("010", 19, 40000000, {{9728000, 19456000}, {29184000, 38912000}});
  const std::string met = Generate(download);
  std::string copy(download.fileSize, '\0');
  SampleContent(download, 0, reinterpret_cast<uint8_t*>(&copy[0]), copy.size());
  std::string damaged = copy;
  damaged[30000000] ^= 1;
  ASSERT_TRUE(WriteFileBytes(Work("damaged.bin"), damaged));
  ASSERT_NO_FATAL_FAILURE(RunPartsweep({"--import", "damaged.bin", "010.part.met"}));
  const MetFacts imported = ReadMetFacts(met);
  ASSERT_TRUE(imported.ok);
  const Ranges expected = {{29184000, 38912000}};
  ExpectDeclaredGaps(imported, expected);
  LoadedAsDeclared(met, imported, expected);

  // A sound copy fills the last gap: the client finds the download complete.
  ASSERT_TRUE(WriteFileBytes(Work("sound.bin"), copy));
  ASSERT_NO_FATAL_FAILURE(RunPartsweep({"--import", "sound.bin", "010.part.met"}));
  ExpectDeclaredGaps(ReadMetFacts(met), {});
  std::unique_ptr<AmuleDaemon> client;
  ASSERT_TRUE(StartClient("complete", {met}, &client));
  EXPECT_TRUE(Logged(*client, "Finished downloading: test_movie.avi"));
  EXPECT_TRUE(client->Stop());
  EXPECT_EQ("", LogLinesWith(client->Log(), {"corrupt"}));
  const std::string finished = ReadFileBytes(
      (std::filesystem::path(client->IncomingFolder()) / "test_movie.avi").string());
  EXPECT_TRUE(copy == finished) << "the completed file is not the download's data";
}
