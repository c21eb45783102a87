// A small sample download for tests that care about the run, not the data.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "sample/sample_download.h"

/// Writes 001.part (100,000 bytes of sample content) and 001.part.met with
/// these gaps into `folder`; the gaps hold what `gapContent` says.
inline ::testing::AssertionResult WriteSmallDownload(
    const std::string& folder, std::vector<SampleGap> gaps,
    SampleGapContent gapContent = SampleGapContent::Holes) {
  SampleDownload download;
  download.fileSize = 100000;
  download.gaps = std::move(gaps);
  download.gapContent = gapContent;
  std::string error;
  if (WriteSampleDownload(folder, download, &error)) return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure() << error;
}
