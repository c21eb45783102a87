// Comparing what the tool's reader made of a tag with what the independent
// test decoder read, so that either can be checked against the other.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "met/met_image.h"
#include "met/tag_record.h"
#include "tests/support/met_decoder.h"

/// True when `record` is what the tool's reader must make of the stored
/// tag `stored`: the same name and value, small integers widened to
/// TagUInt32 and short strings to TagString, names and texts ending at
/// their first NUL byte.
bool RecordMatches(const TagRecord& record, const DecodedTag& stored);

/// The name of a stored tag as the tool reads it: up to its first NUL.
std::string ReadableName(const DecodedTag& stored);

/// The parts the corrupted-parts tag lists, read as the clients read it and
/// by the independent decoder: the last text tag named 0x24 (its text up to a
/// NUL, as the tool reads texts), split at commas, each token a decimal
/// number after blanks, below the part count of a download of `size` bytes.
/// Ascending, once each.
std::vector<uint32_t> ListedCorruptedParts(const DecodedMet& met, uint64_t size);

/// The download's size as the tool reads it: the last integer tag named 0x02.
uint64_t ReadableFileSize(const DecodedMet& met);

/// A gap as a reader takes it, [start, end).
struct ReadableGap {
  uint64_t start, end;
};

/// Every range any reader could take for a gap, read by the independent
/// decoder: each end tag with the last start tag since the end tag before
/// it, named by the id byte alone or followed by decimal digits, in either
/// naming; empty and backward pairs left out.
std::vector<ReadableGap> AnyReadersGaps(const DecodedMet& met);
