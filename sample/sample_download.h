// Realistic downloads, written the way eMule and aMule write them: a data
// file X.part and its metadata file X.part.met. The demo and the tests use
// them; the encoder here is separate from the tool's own on purpose.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "sample/sample_tags.h"

/// A byte range not yet downloaded: [start, end).
struct SampleGap {
  uint64_t start = 0;
  uint64_t end = 0;
};

/// What the data file holds inside the gaps.
enum class SampleGapContent {
  /// Nothing written: holes that read as zeros, as a client leaves what it
  /// has not downloaded yet.
  Holes,
  /// The download's own bytes, as if they had arrived after all: for a test
  /// that must see a listing clear real bytes, or that needs every part sound.
  Data,
  /// Zeros, written out so that they take disk space.
  Zeros,
};

/// What to write.
struct SampleDownload {
  /// Files are `name`.part and `name`.part.met.
  std::string name = "001";
  /// Above 4,290,048,000 bytes the download is large: version 0xE2, 64-bit
  /// size, transferred and gap tags, as the clients write it.
  uint64_t fileSize = 30000000;
  std::vector<SampleGap> gaps;
  /// What the data file holds inside `gaps`.
  SampleGapContent gapContent = SampleGapContent::Holes;
  /// eMule writes the data file's name as a tag; aMule does not.
  bool partFileNameTag = true;
  /// Tags of every value type the tool reads (0x01 to 0x0B, short strings)
  /// and both name forms among the usual ones; the 64-bit and bsob tags of
  /// the two flags below included.
  bool everyTagType = false;
  /// 64-bit tags (0x0B) in both name forms among the usual ones, as a client
  /// passes on one it read and did not know.
  bool uint64Tags = false;
  /// A "bsob" tag (0x0A) among the usual ones, which no client writes and
  /// which makes aMule refuse the whole file.
  bool bsobTag = false;
  /// The tags eMule writes beyond the usual ones where it has a value (see
  /// EmuleSampleTags), so that a download looks like one of eMule's.
  bool emuleTags = false;
  /// Size, transferred and gap tags as 64-bit (0x0B) although the download
  /// is not large, under version 0xE0: the clients read either width.
  bool sizeTags64 = false;
  /// The word at offset 1 of the header: the data file's time as the client saw it.
  /// The data file gets it as its modification time, as after a client saved
  /// the download, so that a client does not re-hash it on loading.
  uint32_t timeStamp = 0x6B163E0C;
  /// Seeds the download's pseudo-random content.
  uint32_t seed = 1;
  /// Ranges that hold the pseudo-random content; the rest of the download
  /// is zeros and stays a hole in the data file, so that big files cost no
  /// disk and hash fast. Empty means the whole file.
  std::vector<SampleGap> dataRegions;
  /// Extra tags placed among the usual ones, before the gaps.
  std::vector<SampleTag> extraTags;
  /// Bytes appended after the last tag.
  std::string trailer;
  /// Write the MD4 hash of every 9,728,000-byte part of the download's
  /// content (gaps included, as a client learns them from others) and the
  /// file hash made from them, as a client does once it knows them. A
  /// download of one part has none: its file hash is then its content's.
  bool partHashes = false;
  /// Parts whose downloaded data is damaged after their hashes were taken.
  std::vector<uint32_t> corruptParts;
  /// Write eMule's AICH hash set of the content (tags 0x27 and 0x35) in
  /// place of the made-up one of `emuleTags`, or alone.
  bool aichHashes = false;
};

/// The size of one hashed part.
constexpr uint64_t kSamplePartSize = 9728000;

/// The largest size that is not a large download: 441 whole parts, the
/// largest multiple of the part size below 2^32.
constexpr uint64_t kSampleLargeSizeAbove = 4290048000;

/// True when the clients write a download of that size as a large one.
bool IsLargeSampleDownload(uint64_t fileSize);

/// How many part hashes a client stores for a file of that size: none below
/// one part, else one per started part plus one (an empty last part when the
/// size is a multiple of the part size).
uint32_t SamplePartHashCount(uint64_t fileSize);

/// The pseudo-random byte at `offset`: a fixed function of the seed, so tests
/// can check any byte without keeping the file's content.
uint8_t SampleByte(uint32_t seed, uint64_t offset);

/// Fills `out` with the pseudo-random bytes from `offset` on.
void SampleBytes(uint32_t seed, uint64_t offset, uint8_t* out, size_t count);

/// Fills `out` with the download's content from `offset` on: the
/// pseudo-random bytes inside the data regions, zeros elsewhere. The data
/// file holds it outside the gaps (before any damage).
void SampleContent(const SampleDownload& download, uint64_t offset, uint8_t* out, size_t count);

/// The MD4 digests of the parts of the download's content, concatenated:
/// the part hashes a client knows for it. Parts without data cost nothing.
std::string SamplePartHashes(const SampleDownload& download);

/// eMule's AICH hash set of the download's content: the root in base32 (tag
/// 0x27) and the blob of tag 0x35 (root, count, part hashes).
struct SampleAichSet {
  std::string rootText;
  std::string blob;
};
SampleAichSet SampleAichHashes(const SampleDownload& download);

/// The MD4 digests of the parts of a data file on disk, concatenated.
std::string HashSampleParts(const std::string& dataPath, uint64_t fileSize);

/// The metadata file's bytes, with the given part hashes (16 bytes each).
std::string EncodeSampleMet(const SampleDownload& download, const std::string& partHashes = "");

/// The tags EncodeSampleMet writes, in order, gaps last.
std::vector<SampleTag> SampleTags(const SampleDownload& download);

/// Writes folder/name.part and folder/name.part.met (UTF-8 names on every
/// system), with `timeStamp` as the data file's modification time; false
/// with a reason.
bool WriteSampleDownload(const std::string& folder, const SampleDownload& download,
                         std::string* error);
