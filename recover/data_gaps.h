// What a data file never received, read from its bytes: the gaps of a
// download whose metadata file is lost.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "met/met_file.h"

class Console;
class FileIo;
class File;

/// The shortest run of zero bytes taken for a range never downloaded; a
/// shorter one is taken for data, which may hold zeros.
constexpr uint64_t kMinZeroRun = 65536;

/// The ranges of the data file's first `length` bytes that it never got, in
/// order: every hole, and every run of at least kMinZeroRun zero bytes (a
/// hole counts as zeros, so a short run beside one joins it). Nothing, after
/// the message, when the file cannot be read.
std::optional<GapTable> UnwrittenRanges(File& data, uint64_t length, const std::string& partPath,
                                        FileIo& disk, Console& console);
