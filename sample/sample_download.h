// Realistic downloads, written the way eMule and aMule write them: a data
// file X.part and its metadata file X.part.met. The demo and the tests use
// them; the encoder here is separate from the tool's own on purpose.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

/// A byte range not yet downloaded: [start, end).
struct SampleGap {
  uint64_t start = 0;
  uint64_t end = 0;
};

/// One tag as the sample writes it: raw type byte, name and encoded value.
struct SampleTag {
  uint8_t type = 0;      // with bit 7 for the id form
  std::string name;      // the id byte in id form
  std::string value;     // the value bytes exactly as on disk
};

/// What to write.
struct SampleDownload {
  /// Files are `name`.part and `name`.part.met.
  std::string name = "001";
  uint64_t fileSize = 30000000;
  std::vector<SampleGap> gaps;
  /// eMule writes the data file's name as a tag; aMule does not.
  bool partFileNameTag = true;
  /// Tags of every value type and both name forms among the usual ones.
  bool everyTagType = false;
  /// The word at offset 1 of the header: the data file's time as the client saw it.
  /// The data file gets it as its modification time, as after a client saved
  /// the download, so that a client does not re-hash it on loading.
  uint32_t timeStamp = 0x6B163E0C;
  /// Seeds the data file's pseudo-random content.
  uint32_t seed = 1;
  /// Ranges of the data file to write; the rest stays a hole that reads as
  /// zeros. Empty means the whole file, so big files can cost no disk.
  std::vector<SampleGap> dataRegions;
  /// Extra tags placed among the usual ones, before the gaps.
  std::vector<SampleTag> extraTags;
  /// Bytes appended after the last tag.
  std::string trailer;
  /// Write the MD4 hash of every 9,728,000-byte part and the file hash
  /// made from them, as a client does once it knows them.
  bool partHashes = false;
  /// Parts whose data is damaged after their hashes were taken.
  std::vector<uint32_t> corruptParts;
};

/// The size of one hashed part.
constexpr uint64_t kSamplePartSize = 9728000;

/// How many part hashes a client stores for a file of that size: none below
/// one part, else one per started part plus one (an empty last part when the
/// size is a multiple of the part size).
uint32_t SamplePartHashCount(uint64_t fileSize);

/// The data file's byte at `offset`: a fixed function of the seed, so tests
/// can check any byte without keeping the file's content.
uint8_t SampleByte(uint32_t seed, uint64_t offset);

/// Fills `out` with the data file's bytes from `offset` on.
void SampleBytes(uint32_t seed, uint64_t offset, uint8_t* out, size_t count);

/// The metadata file's bytes, with the given part hashes (16 bytes each).
std::string EncodeSampleMet(const SampleDownload& download, const std::string& partHashes = "");

/// The MD4 digests of the parts of a data file on disk, concatenated.
std::string HashSampleParts(const std::string& dataPath, uint64_t fileSize);

/// The tags EncodeSampleMet writes, in order, gaps last.
std::vector<SampleTag> SampleTags(const SampleDownload& download);

/// Encodes one tag as the clients do.
std::string EncodeSampleTag(const SampleTag& tag);

/// A string-named TagUInt32 tag.
SampleTag SampleNumberTag(const std::string& name, uint32_t value);

/// Writes folder/name.part and folder/name.part.met, with `timeStamp` as the
/// data file's modification time; false with a reason.
bool WriteSampleDownload(const std::string& folder, const SampleDownload& download,
                         std::string* error);
