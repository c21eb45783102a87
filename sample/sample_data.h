// The data file of a sample download: what it holds where, and its part
// hashes, known from the description alone so that a large sparse download
// is written and hashed without reading it back.
#pragma once

#include <string>

#include "sample/sample_download.h"

/// Writes the data file at `path`: the download's content outside the gaps
/// and inside them what `gapContent` asks for; every range the content
/// leaves at zero stays a hole. False when the file could not be written.
bool WriteSampleData(const std::string& path, const SampleDownload& download);

/// Changes one downloaded byte of each corrupt part, after its hash was
/// taken; false when the file could not be changed.
bool DamageSampleParts(const std::string& path, const SampleDownload& download);
