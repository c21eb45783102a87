// What a data file holds after a run, checked without keeping its content:
// the sample generator knows every byte it wrote.
#pragma once

#include <cstdint>
#include <string>

#include "sample/sample_download.h"
#include "tests/support/temp_folder.h"

/// Every data region of the download's data file holds the download's bytes
/// outside the gaps and zeros inside; a failure of the test where not.
void ExpectOnlyGapsZeroed(const std::string& path, const SampleDownload& download);

/// Data regions of `margin` bytes of data on each side of every gap that
/// starts inside the file, the gaps' own bytes included.
std::vector<SampleGap> RegionsAroundGaps(const SampleDownload& download, uint64_t margin);
