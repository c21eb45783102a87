#include "fuzz/fuzz_download.h"

#include <cstdint>

#include "hash/md4.h"
#include "sample/sample_download.h"
#include "tests/support/client_sample.h"

const char kFuzzMetPath[] = "dl/001.part.met";
const char kFuzzPartPath[] = "dl/001.part";

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

std::string Md4(const std::string& bytes) {
  Md4Context context;
  Md4Init(&context);
  Md4Update(&context, reinterpret_cast<const uint8_t*>(bytes.data()),
            static_cast<uint32_t>(bytes.size()));
  Md4Final(&context);
  return std::string(reinterpret_cast<const char*>(context.digest), 16);
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

// Part hashes for a download of `parts` parts over RebuildDataFile(), with
// the parts in `corrupt` holding a digest that does not match.
std::string RebuildHashes(unsigned parts, std::vector<unsigned> corrupt) {
  std::string hashes;
  for (unsigned part = 0; part < parts; ++part) hashes += RebuildPartDigest(part);
  for (unsigned part : corrupt) hashes[part * 16] = char(~hashes[part * 16]);
  return hashes;
}

SampleDownload RebuildDownload(std::vector<SampleGap> gaps) {
  SampleDownload download;
  download.fileSize = 3 * P + 1000;
  download.gaps = std::move(gaps);
  return download;
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
}

void AddRebuildSeeds(std::vector<std::pair<std::string, std::string>>& seeds) {
  SampleDownload clean = RebuildDownload({});
  seeds.emplace_back("rebuild_parts_1_2_corrupt", EncodeSampleMet(clean, RebuildHashes(4, {1, 2})));
  SampleDownload touching = RebuildDownload({{P / 2, P}, {2 * P, 2 * P + 5}});
  seeds.emplace_back("rebuild_touching_gaps", EncodeSampleMet(touching, RebuildHashes(4, {0, 1, 3})));
  SampleDownload covered = RebuildDownload({{0, 3 * P}});
  covered.everyTagType = true;
  covered.trailer = "after the tags";
  seeds.emplace_back("rebuild_covered", EncodeSampleMet(covered, RebuildHashes(4, {0, 2})));
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

const std::string& RebuildDataFile() {
  static const std::string content = SampleContent(48 * 1024);
  return content;
}

std::string RebuildPartDigest(unsigned index) {
  static const std::string first = Md4(RebuildDataFile());
  static const std::string empty = Md4("");
  return index == 0 ? first : empty;
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
