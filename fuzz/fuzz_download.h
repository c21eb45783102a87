// The small downloads the fuzz targets work on, and the seeds that start
// their corpora: the generator's downloads and a real client's file.
#pragma once

#include <string>
#include <utility>
#include <vector>

/// Where the fuzzed metadata file lives on the memory disk, and its data
/// file beside it (the met path without ".met", as a run finds it).
extern const char kFuzzMetPath[];
extern const char kFuzzPartPath[];

/// The data file of the listing target: 300,000 bytes of sample content,
/// large enough for a zero fill of several 128 KiB pieces.
const std::string& ListingDataFile();

/// The data file of the rebuild: 48 KiB, so that part 0 is the whole file
/// and every later part hashes as empty, which keeps a check cheap.
const std::string& RebuildDataFile();

/// The MD4 digest that part `index` of RebuildDataFile() has.
std::string RebuildPartDigest(unsigned index);

/// Named seed files: generated downloads of every shape the tool meets and
/// the aMule sample, as metadata files.
std::vector<std::pair<std::string, std::string>> SeedMetFiles();
