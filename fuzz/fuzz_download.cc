#include "fuzz/fuzz_download.h"

#include <algorithm>
#include <cstdint>
#include <map>

#include "hash/md4.h"
#include "sample/sample_download.h"
#include "tests/support/client_sample.h"

const char kFuzzMetPath[] = "dl/001.part.met";
const char kFuzzPartPath[] = "dl/001.part";

std::string Md4(const char* bytes, size_t size) {
  Md4Context context;
  Md4Init(&context);
  Md4Update(&context, reinterpret_cast<const uint8_t*>(bytes), static_cast<uint32_t>(size));
  Md4Final(&context);
  return std::string(reinterpret_cast<const char*>(context.digest), 16);
}

namespace {

constexpr uint32_t kSeed = 7;
constexpr uint64_t P = kSamplePartSize;

std::string U32(uint32_t v) {
  return {char(v & 0xFF), char(v >> 8 & 0xFF), char(v >> 16 & 0xFF), char(v >> 24 & 0xFF)};
}

std::string SampleContent(size_t size) {
  std::string bytes(size, '\0');
  SampleBytes(kSeed, 0, reinterpret_cast<uint8_t*>(&bytes[0]), size);
  return bytes;
}


// A header without part hashes, in the old eDonkey layout: version 0xE1, or
// 0xE0 when the first tag is a one-byte-named text, whose first two bytes
// complete the probe 00 00 02 01 behind the tag count.
std::string CompactMet(uint8_t version, const SampleDownload& download, const std::string& trailer) {
  std::vector<SampleTag> tags = SampleTags(download);
  std::string met(1, char(version));
  met += '\x01';
  met += U32(download.timeStamp);
  met += std::string(16, '\x5A');
  met += U32(static_cast<uint32_t>(tags.size()));
  for (const SampleTag& tag : tags) met += EncodeSampleTag(tag);
  return met + trailer;
}

SampleDownload ListingDownload(std::vector<SampleGap> gaps) {
  SampleDownload download;
  download.fileSize = 300000;
  download.gaps = std::move(gaps);
  return download;
}

// The part hashes of a download of `size` bytes over the rebuild's data, as
// many as the clients store, with the parts in `corrupt` holding a digest that
// does not match. The file hash made from them vouches for them all the same.
std::string RebuildHashes(uint64_t size, std::vector<unsigned> corrupt) {
  const unsigned parts = size < P ? 0 : static_cast<unsigned>(size / P + 1);
  std::string hashes;
  for (unsigned part = 0; part < parts; ++part) hashes += RebuildPartDigest(part, size);
  for (unsigned part : corrupt) hashes[part * 16] = char(~hashes[part * 16]);
  return hashes;
}

SampleDownload RebuildDownload(std::vector<SampleGap> gaps, uint64_t size = 3 * P + 1000) {
  SampleDownload download;
  download.fileSize = size;
  download.gaps = std::move(gaps);
  return download;
}

// A download of one part, which stores no part hashes: its file hash is the
// digest of its data, or, `corrupt`, one that does not match it.
std::string OnePartMet(SampleDownload download, bool corrupt) {
  std::string met = EncodeSampleMet(download);
  std::string hash = RebuildDigest(0, download.fileSize);
  if (corrupt) hash[3] = char(~hash[3]);
  return met.replace(5, 16, hash);
}

void AddListingSeeds(std::vector<std::pair<std::string, std::string>>& seeds) {
  // Gaps at the start, across several zero-fill pieces, over the end of the
  // file, beyond it, empty, and overlapping.
  SampleDownload mixed = ListingDownload(
      {{0, 1000}, {50000, 200000}, {290000, 310000}, {400000, 500000}, {7000, 7000}, {100, 5000}});
  mixed.everyTagType = true;
  seeds.emplace_back("listing_mixed", EncodeSampleMet(mixed));

  SampleDownload amule = ListingDownload({{0, 300000}});
  amule.partFileNameTag = false;
  seeds.emplace_back("listing_amule_whole_file", EncodeSampleMet(amule));

  // Gap tags that do not pair up, in both name forms.
  SampleDownload unpaired = ListingDownload({{20000, 30000}});
  unpaired.extraTags = {SampleNumberTag("\x0A", 500),          SampleNumberTag("\x09", 1000),
                        SampleNumberTag("\x09", 2000),          SampleNumberTag("\x0A", 3000),
                        SampleTag{0x83, "\x09", U32(4000)},     SampleTag{0x83, "\x0A", U32(4100)},
                        SampleTag{0x89, "\x09", "\x05"},        SampleTag{0x88, "\x0A", "\x00\x10"},
                        SampleNumberTag("\x09" "12", 250000)};
  seeds.emplace_back("listing_unpaired", EncodeSampleMet(unpaired));

  // A data file named by the tag: one that exists, and one outside the folder.
  SampleDownload renamed = ListingDownload({{1000, 2000}});
  renamed.name = "002";
  seeds.emplace_back("listing_named_002", EncodeSampleMet(renamed));
  renamed.name = "../001";
  seeds.emplace_back("listing_named_outside", EncodeSampleMet(renamed));

  // The data file's bytes hash to the file hash: complete, gaps or not.
  SampleDownload crashed = ListingDownload({{1000, 50000}, {200000, 300000}});
  crashed.seed = kSeed;
  crashed.partHashes = true;
  seeds.emplace_back("listing_complete_in_gaps", EncodeSampleMet(crashed));
}

// Downloads whose parts the rebuild judges: part hashes that vouch for
// themselves or one that does not, one-part downloads, a data file longer and
// shorter than the download, corrupted-parts lists to merge, and complete
// parts inside gaps. The first three have a data file too short for any part.
void AddRebuildSeeds(std::vector<std::pair<std::string, std::string>>& seeds) {
  SampleDownload clean = RebuildDownload({});
  seeds.emplace_back("rebuild_parts_1_2_corrupt",
                     EncodeSampleMet(clean, RebuildHashes(clean.fileSize, {1, 2})));
  SampleDownload touching = RebuildDownload({{P / 2, P}, {2 * P, 2 * P + 5}});
  seeds.emplace_back("rebuild_touching_gaps",
                     EncodeSampleMet(touching, RebuildHashes(touching.fileSize, {0, 1, 3})));
  SampleDownload covered = RebuildDownload({{0, 3 * P}});
  covered.everyTagType = true;
  covered.trailer = "after the tags";
  seeds.emplace_back("rebuild_covered",
                     EncodeSampleMet(covered, RebuildHashes(covered.fileSize, {0, 2})));

  // Two parts, the second short, the data file just as long.
  SampleDownload two = RebuildDownload({}, P + 4000);
  two.extraTags = {SampleTextTag("\x24", "1")};
  seeds.emplace_back("rebuild_part_0_corrupt", EncodeSampleMet(two, RebuildHashes(two.fileSize, {0})));
  // Part 0 corrupt and touched by a gap in part 1, which does not hash
  // right: the gap grows over part 0. Then a gap stored end before start
  // that touches corrupt part 1: no range, it must not grow.
  SampleDownload touched = RebuildDownload({{P, P + 100}}, P + 4000);
  touched.extraTags = two.extraTags;
  seeds.emplace_back("rebuild_gap_grows_over_part_0",
                     EncodeSampleMet(touched, RebuildHashes(touched.fileSize, {0, 1})));
  SampleDownload inverted = RebuildDownload({}, P + 4000);
  inverted.extraTags = {SampleNumberTag("\x09" "0", P + 2000), SampleNumberTag("\x0A" "0", P)};
  seeds.emplace_back("rebuild_inverted_gap_touching_corrupt_part",
                     EncodeSampleMet(inverted, RebuildHashes(inverted.fileSize, {1})));
  // One flipped byte in part 1's stored hash after the file hash was made.
  std::string damaged = EncodeSampleMet(two, RebuildHashes(two.fileSize, {}));
  damaged[23 + 16 + 5] = char(~damaged[23 + 16 + 5]);
  seeds.emplace_back("rebuild_damaged_part_hashes", damaged);
  SampleDownload found = RebuildDownload({{1000, 2000}, {P + 100, P + 4500}}, P + 4000);
  found.extraTags = {SampleTextTag("\x24", "0, 1,7,x")};
  seeds.emplace_back("rebuild_complete_inside_gaps",
                     EncodeSampleMet(found, RebuildHashes(found.fileSize, {})));
  // An exact multiple: the last part hash is that of an empty part.
  SampleDownload multiple = RebuildDownload({{P - 10, P}}, P);
  seeds.emplace_back("rebuild_exact_multiple",
                     EncodeSampleMet(multiple, RebuildHashes(multiple.fileSize, {1})));

  // One part: sound inside a gap and listed, corrupt, sound beside a longer
  // data file (a rebuild with nothing to change), and cut by a shorter one.
  SampleDownload one = RebuildDownload({{100, 200}}, 48 * 1024);
  one.extraTags = {SampleTextTag("\x24", "0")};
  seeds.emplace_back("rebuild_one_part_inside_a_gap", OnePartMet(one, false));
  seeds.emplace_back("rebuild_one_part_corrupt", OnePartMet(RebuildDownload({}, 48 * 1024), true));
  seeds.emplace_back("rebuild_one_part_longer_data", OnePartMet(RebuildDownload({}, 48 * 1024 + 1), false));
  seeds.emplace_back("rebuild_one_part_shorter_data", OnePartMet(RebuildDownload({}, 48 * 1024 + 2), false));
}

// What the clients write beyond the tool's usual files: a large download
// (0xE2, 64-bit size and gaps), 64-bit tags in an 0xE0 file, and eMule's
// own tags.
void AddClientFormatSeeds(std::vector<std::pair<std::string, std::string>>& seeds) {
  SampleDownload large = ListingDownload({{0, 1000}, {4294967296, 4394967296}});
  large.fileSize = 5000000000;
  seeds.emplace_back("large_e2", EncodeSampleMet(large));
  SampleDownload wide = ListingDownload({{0, 1000}, {50000, 200000}});
  wide.sizeTags64 = true;
  wide.uint64Tags = true;
  seeds.emplace_back("e0_with_64_bit_tags", EncodeSampleMet(wide));
  SampleDownload emule = RebuildDownload({{1000, 2000}, {2 * P, 2 * P + 5}});
  emule.emuleTags = true;
  seeds.emplace_back("emule_tags", EncodeSampleMet(emule));
}

}  // namespace

const std::string& ListingDataFile() {
  static const std::string content = SampleContent(300000);
  return content;
}

namespace {

// Downloads up to this size get a data file that holds their parts.
constexpr uint64_t kJudgedUpTo = P + 65536;

}  // namespace

const std::string& RebuildStream() {
  static const std::string stream = SampleContent(kJudgedUpTo + 1000);
  return stream;
}

uint64_t RebuildDataLength(uint64_t size) {
  if (size > kJudgedUpTo) return 48 * 1024;
  switch (size % 4) {
    case 1: return size + 1000;
    case 2: return size > 1000 ? size - 1000 : 0;
    default: return size;
  }
}

std::string RebuildDigest(uint64_t start, uint64_t end) {
  // The same parts are asked for again and again; a part costs milliseconds.
  static std::map<std::pair<uint64_t, uint64_t>, std::string> known;
  auto found = known.find({start, end});
  if (found != known.end()) return found->second;
  if (known.size() > 256) known.clear();
  const std::string& stream = RebuildStream();
  const uint64_t from = std::min<uint64_t>(start, stream.size());
  const std::string digest = Md4(stream.data() + from, std::min<uint64_t>(end, stream.size()) - from);
  known[{start, end}] = digest;
  return digest;
}

std::string RebuildPartDigest(unsigned index, uint64_t size) {
  const uint64_t start = std::min<uint64_t>(uint64_t(index) * P, size);
  return RebuildDigest(start, std::min(start + P, size));
}

std::vector<std::pair<std::string, std::string>> SeedMetFiles() {
  std::vector<std::pair<std::string, std::string>> seeds;
  seeds.emplace_back("amule_sample", ClientSampleMet());
  seeds.emplace_back("generated_default",
                     EncodeSampleMet(ListingDownload({{1000000, 1300000}, {9728000, 19456000}})));
  SampleDownload everyType;
  everyType.everyTagType = true;
  everyType.gaps = {{0, 100}, {5000, 7000}};
  everyType.trailer = std::string("\x01\x02\x00trailer", 10);
  seeds.emplace_back("every_tag_type", EncodeSampleMet(everyType));
  AddListingSeeds(seeds);
  AddRebuildSeeds(seeds);
  AddClientFormatSeeds(seeds);
  SampleDownload old = ListingDownload({{100, 200}, {1000, 290000}});
  seeds.emplace_back("compact_e1", CompactMet(0xE1, old, std::string(32, '\x33')));
  seeds.emplace_back("compact_e0_probe", CompactMet(0xE0, old, std::string(16, '\x44')));
  return seeds;
}
