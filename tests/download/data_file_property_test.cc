// Properties of the data file over random downloads: after a listing on
// either route, every byte outside the gaps the listing may clear is as it
// was and every byte inside them reads zero; a /rebuild changes no byte of
// the data file, leaves no corrupt complete part outside a gap and no part
// whose bytes are all there and sound inside one, makes no downloaded byte a
// gap but those of corrupt complete parts, ends no gap it makes past the
// size, and lists in the corrupted-parts tag the parts found corrupt and
// those listed before that are still not sound. The gaps are
// random: overlapping, touching, empty, inverted, beyond the end, in every
// name form and integer width, and with start and end tags that do not pair
// up.
#include <gtest/gtest.h>

#include <algorithm>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include "app/run_flow.h"
#include "platform/disk.h"
#include "sample/sample_download.h"
#include "tests/support/byte_text.h"
#include "tests/support/met_decoder.h"
#include "tests/support/string_console.h"
#include "tests/support/temp_folder.h"

namespace {

constexpr uint64_t P = kSamplePartSize;

// One gap tag as the test writes it.
struct GapTag {
  bool start = true;
  uint32_t value = 0;
};

// A random download: its gap tags in file order, the data file's size.
struct RandomDownload {
  uint64_t fileSize = 0;
  std::vector<GapTag> tags;
  /// As encoded: one-byte tags passed over beside indexed ones, or one-byte
  /// tags alone, which the clients do not read.
  bool staleTags = false;
  bool oneByteOnly = false;
};

class Dice {
 public:
  explicit Dice(uint32_t seed) : engine_(seed) {}
  uint64_t Below(uint64_t bound) { return bound ? engine_() % bound : 0; }
  bool OneIn(int n) { return Below(n) == 0; }

 private:
  std::mt19937_64 engine_;
};

// A gap's start: anywhere in or beyond the file, or touching or inside the
// gap before it.
uint32_t RandomStart(Dice& dice, uint64_t fileSize, const std::vector<GapTag>& tags) {
  if (!tags.empty() && dice.OneIn(4)) return tags.back().value;  // touching
  if (tags.size() >= 2 && dice.OneIn(4)) {                         // overlapping
    uint32_t a = tags[tags.size() - 2].value, b = tags.back().value;
    return std::min(a, b) + static_cast<uint32_t>(dice.Below(std::max(a, b) - std::min(a, b) + 1));
  }
  return static_cast<uint32_t>(dice.Below(fileSize + fileSize / 4 + 2));
}

uint32_t RandomEnd(Dice& dice, uint32_t start, uint64_t fileSize) {
  switch (dice.Below(8)) {
    case 0: return start;                                            // empty
    case 1: return start ? static_cast<uint32_t>(dice.Below(start)) : 0;  // inverted
    case 2: return static_cast<uint32_t>(fileSize + dice.Below(300000));  // over the end
    case 3: return 0;
    default: return start + 1 + static_cast<uint32_t>(dice.Below(200000));
  }
}

RandomDownload MakeRandomDownload(Dice& dice, uint64_t fileSize) {
  RandomDownload download;
  download.fileSize = fileSize;
  const uint64_t events = dice.Below(10);
  for (uint64_t i = 0; i < events; ++i) {
    uint32_t start = RandomStart(dice, fileSize, download.tags);
    if (dice.OneIn(6)) {  // a start with no end, or an end with no start
      download.tags.push_back({!dice.OneIn(2), start});
      continue;
    }
    download.tags.push_back({true, start});
    download.tags.push_back({false, RandomEnd(dice, start, fileSize)});
  }
  return download;
}

// The gap tags as SampleTags, in a random name form each: the clients'
// "\x09" N, the single byte, or the id form. Where one is the clients', the
// others are no gaps, and leave the download's tags.
std::vector<SampleTag> EncodeGapTags(Dice& dice, RandomDownload& download) {
  std::vector<SampleTag> encoded;
  std::vector<GapTag>& tags = download.tags;
  std::vector<GapTag> indexed;
  for (size_t i = 0; i < tags.size(); ++i) {
    const char id = tags[i].start ? '\x09' : '\x0A';
    switch (dice.Below(4)) {
      case 0:
        encoded.push_back(SampleNumberTag(std::string(1, id) + std::to_string(i / 2), tags[i].value));
        indexed.push_back(tags[i]);
        break;
      case 1: encoded.push_back(SampleNumberTag(std::string(1, id), tags[i].value)); break;
      case 2: encoded.push_back(SampleTag{0x83, std::string(1, id), U32(tags[i].value)}); break;
      default:  // 64-bit, as in a large download; any width is read alike
        encoded.push_back(SampleTag{0x0B, std::string(1, id), U32(tags[i].value) + U32(0)});
        break;
    }
  }
  download.staleTags = !indexed.empty() && indexed.size() < tags.size();
  download.oneByteOnly = indexed.empty() && !tags.empty();
  if (!indexed.empty()) tags = indexed;
  return encoded;
}

struct Range {
  uint64_t start, end;  // [start, end)
};

// The gaps the tags make, as ranges: an end tag completes the gap whose
// start tag came last since the end tag before it. `keep` tells which.
std::vector<Range> PairedRanges(const RandomDownload& download, bool (*keep)(uint32_t, uint32_t)) {
  std::vector<Range> ranges;
  std::optional<uint32_t> start;
  for (const GapTag& tag : download.tags) {
    if (tag.start) {
      start = tag.value;
      continue;
    }
    if (start && keep(*start, tag.value)) ranges.push_back({*start, tag.value});
    start.reset();
  }
  return ranges;
}

// The ranges a listing clears: an end not 0 and not before the start.
std::vector<Range> ClearedRanges(const RandomDownload& download) {
  return PairedRanges(download, [](uint32_t start, uint32_t end) { return end != 0 && start <= end; });
}

// The gaps that hold a byte of the file.
std::vector<Range> RewrittenRanges(const RandomDownload& download) {
  return PairedRanges(download, [](uint32_t start, uint32_t end) { return start < end; });
}

bool Overlaps(const std::vector<Range>& ranges, uint64_t start, uint64_t end) {
  for (const Range& range : ranges) {
    if (range.start < end && range.end > start) return true;
  }
  return false;
}

// True when every byte of [start, end) lies in one of `ranges`.
bool Covered(std::vector<Range> ranges, uint64_t start, uint64_t end) {
  std::sort(ranges.begin(), ranges.end(),
            [](const Range& a, const Range& b) { return a.start < b.start; });
  for (const Range& range : ranges) {
    if (range.start > start) break;
    start = std::max(start, range.end);
  }
  return start >= end;
}

std::vector<Range> RangesOf(const ClientGapList& gaps) {
  std::vector<Range> ranges;
  for (const auto& gap : gaps) {
    if (gap.first < gap.second) ranges.push_back({gap.first, gap.second});
  }
  return ranges;
}

// True when one of the old gap tags ends at `end`: a gap the rebuild kept.
bool EndsAnOldGap(const RandomDownload& download, uint64_t end) {
  for (const GapTag& tag : download.tags) {
    if (!tag.start && tag.value == end) return true;
  }
  return false;
}

std::string Expected(std::string content, const std::vector<Range>& cleared) {
  for (const Range& range : cleared) {
    if (range.start >= content.size()) continue;
    const uint64_t end = std::min<uint64_t>(range.end, content.size());
    std::fill(content.begin() + range.start, content.begin() + end, '\0');
  }
  return content;
}

// A download written to a fresh folder, its data file as written, and one
// run of the tool on it with `option` ("", "--nosparse", "--rebuild").
struct DownloadRun {
  TempFolder folder;
  std::string partPath = folder.Path("001.part");
  std::string metPath = folder.Path("001.part.met");
  std::string before;
  std::string metBefore;
  StringConsole console;
  int status = -2;

  DownloadRun(const SampleDownload& download, const char* option) {
    std::string error;
    EXPECT_TRUE(WriteSampleDownload(folder.path(), download, &error)) << error;
    before = ReadFileBytes(partPath);
    metBefore = ReadFileBytes(metPath);
    const char* args[] = {"partsweep", metPath.c_str(), option};
    status = RunPartsweep(3, args, SystemDisk(), console);
  }
};

// Writes the download, runs a listing with `route` ("" or "--nosparse") and
// checks the data file.
void CheckListing(Dice& dice, RandomDownload random, const char* route, int round) {
  SampleDownload download;
  download.fileSize = random.fileSize;
  download.seed = static_cast<uint32_t>(round + 1);
  download.partFileNameTag = dice.OneIn(2);
  // Gaps the generator does not know of: it writes its bytes under them
  // too, so that a range cleared or missed shows in the data file.
  download.extraTags = EncodeGapTags(dice, random);
  DownloadRun run(download, route);
  EXPECT_EQ(0, run.status) << run.console.output;
  const std::string after = ReadFileBytes(run.partPath);
  ASSERT_EQ(run.before.size(), after.size()) << "round " << round << route;
  // Equal as a whole: unchanged outside the cleared ranges, zero inside.
  EXPECT_TRUE(Expected(run.before, ClearedRanges(random)) == after)
      << "round " << round << " " << route << "\n" << run.console.output;
}

TEST(DataFilePropertyTest, AListingChangesNothingButTheGapsOnEitherRoute) {
  Dice dice(20240601);
  for (int round = 0; round < 40; ++round) {
    const uint64_t fileSize = 1 + dice.Below(dice.OneIn(3) ? 2000 : 600000);
    const RandomDownload random = MakeRandomDownload(dice, fileSize);
    CheckListing(dice, random, "", round);
    CheckListing(dice, random, "--nosparse", round);
  }
}

// The corrupted-parts text the clients write: ascending, comma-separated.
std::string PartList(const std::vector<uint32_t>& parts) {
  std::string text;
  for (uint32_t part : parts) text += (text.empty() ? "" : ",") + std::to_string(part);
  return text;
}

// The text of the file's last corrupted-parts tag (0x24); "" without one.
std::string ListedText(const DecodedMet& met) {
  std::string text;
  for (const DecodedTag& tag : met.tags) {
    if (tag.name == "\x24") text = tag.text;
  }
  return text;
}

TEST(DataFilePropertyTest, ARebuildChangesNoByteAndJudgesEveryWholePart) {
  Dice dice(77);
  for (int round = 0; round < 6; ++round) {
    SampleDownload download;
    download.fileSize = P + dice.Below(P + P / 2);
    download.seed = static_cast<uint32_t>(round + 100);
    download.partHashes = true;
    const uint32_t parts = static_cast<uint32_t>((download.fileSize + P - 1) / P);
    std::vector<uint32_t> listed;
    for (uint32_t part = 0; part < parts; ++part) {
      if (dice.OneIn(2)) download.corruptParts.push_back(part);
      if (dice.OneIn(2)) listed.push_back(part);
    }
    RandomDownload random = MakeRandomDownload(dice, download.fileSize);
    download.extraTags = EncodeGapTags(dice, random);
    if (!listed.empty()) download.extraTags.push_back(SampleTextTag("\x24", PartList(listed)));
    DownloadRun run(download, "--rebuild");
    EXPECT_EQ(0, run.status) << run.console.output;
    EXPECT_TRUE(run.before == ReadFileBytes(run.partPath)) << "round " << round;
    DecodedMet rewritten = DecodeMet(ReadFileBytes(run.metPath));
    ASSERT_TRUE(rewritten.ok) << run.console.output;
    const auto gaps = ClientGaps(rewritten);
    // The generator writes the download's bytes under the random gaps too:
    // a part a gap holds a piece of is complete unless it is damaged, and
    // then not judged. What may be a gap now: the old gaps and the corrupt
    // parts; what must stay listed: corrupt parts and damaged ones in a gap.
    const std::vector<Range> old = RewrittenRanges(random);
    std::vector<Range> allowed = old;
    std::vector<uint32_t> stillCorrupt;
    bool changes = false;
    for (uint32_t part = 0; part < parts; ++part) {
      const uint64_t start = part * P, end = std::min(start + P, download.fileSize);
      const bool damaged = std::count(download.corruptParts.begin(), download.corruptParts.end(), part);
      const bool inGap = Overlaps(old, start, end);
      const bool wasListed = std::count(listed.begin(), listed.end(), part);
      if (damaged && (!inGap || wasListed)) stillCorrupt.push_back(part);
      changes = changes || damaged != inGap;  // a part made a gap, or found complete
      if (damaged && !inGap) {
        allowed.push_back({start, end});
        EXPECT_TRUE(InsideOneGap(gaps, start, end))
            << "round " << round << " part " << part << "\n" << run.console.output;
      }
      if (!damaged && inGap) {
        EXPECT_FALSE(Overlaps(RangesOf(gaps), start, end))
            << "round " << round << ": the complete part " << part << " stays in a gap\n"
            << run.console.output;
      }
    }
    EXPECT_EQ(PartList(stillCorrupt), ListedText(rewritten)) << "round " << round;
    // A rebuild that changes nothing leaves the file as it was, and only then.
    // Gap tags the clients do not read are written their way, and gaps are
    // cut to the size.
    changes = changes || stillCorrupt != listed || random.staleTags || random.oneByteOnly;
    for (const Range& gap : PairedRanges(random, [](uint32_t a, uint32_t b) { return a <= b; }))
      changes = changes || gap.end > download.fileSize;
    EXPECT_EQ(changes, run.metBefore != ReadFileBytes(run.metPath)) << "round " << round;
    if (!changes) continue;
    for (const auto& gap : gaps) {
      EXPECT_TRUE(gap.second <= download.fileSize || EndsAnOldGap(random, gap.second))
          << "round " << round << ": the gap " << gap.first << ".." << gap.second
          << " ends past the size\n" << run.console.output;
      const uint64_t end = std::min<uint64_t>(gap.second, download.fileSize);
      if (gap.first >= end) continue;
      EXPECT_TRUE(Covered(allowed, gap.first, end))
          << "round " << round << ": downloaded bytes became the gap " << gap.first << ".."
          << gap.second << "\n" << run.console.output;
    }
  }
}

}  // namespace
