// The small downloads the fuzz targets work on, and the seeds that start
// their corpora: the generator's downloads and a real client's file.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

/// Where the fuzzed metadata file lives on the memory disk, and its data
/// file beside it (the met path without ".met", as a run finds it).
extern const char kFuzzMetPath[];
extern const char kFuzzPartPath[];

/// The MD4 digest of `size` bytes, as 16 raw bytes.
std::string Md4(const char* bytes, size_t size);

/// The data file of the listing target: 300,000 bytes of sample content,
/// large enough for a zero fill of several 128 KiB pieces.
const std::string& ListingDataFile();

/// The length of the data file the rebuild target puts beside a download of
/// `size` bytes. Up to one part and 64 KiB: the size, or 1,000 bytes more or
/// less (by the size modulo 4), so that parts are judged and a longer and a
/// shorter data file are met. Larger downloads get 48 KiB, too short for any
/// whole part: hashing a part costs milliseconds, a run otherwise microseconds.
uint64_t RebuildDataLength(uint64_t size);

/// The pseudo-random stream whose first RebuildDataLength() bytes are the
/// rebuild's data file, whatever its length.
const std::string& RebuildStream();

/// The MD4 digest of the stream's bytes [start, end).
std::string RebuildDigest(uint64_t start, uint64_t end);

/// The part hash a client knows for part `index` of a download of `size`
/// bytes whose content is the stream: the digest of the part's bytes.
std::string RebuildPartDigest(unsigned index, uint64_t size);

/// Named seed files: generated downloads of every shape the tool meets and
/// the aMule sample, as metadata files.
std::vector<std::pair<std::string, std::string>> SeedMetFiles();
