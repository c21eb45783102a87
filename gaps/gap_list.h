// The lines a listing prints about a download before it clears its gaps.
#pragma once

#include <string>

#include "met/met_file.h"

/// The header's lines and the tag count.
std::string ListingHeader(const MetImage& image, const MetFile& file);

/// The gap count with the download's size.
std::string GapCountLine(const MetFile& file);

/// A gap's last byte as the listing shows it: one before its end. An end of
/// 0 shows as the last 32-bit offset, the one before it; no end shows as 0.
uint64_t ShownLastByte(const MetGap& gap);

/// The lines that say which gaps a new metadata file declares and how
/// complete the download then is: the count, the bytes missing, the
/// completion, and each gap's bounds.
std::string GapSummary(const GapTable& gaps, uint64_t size);
