// Byte counts as short human-readable text.
#pragma once

#include <cstdint>
#include <string>

/// "N bytes" below 1,024; otherwise the value in the smallest of KB, MB,
/// GB, TB, PB, EB in which it is below 1000, cut (not rounded) to three
/// significant digits: 1536 gives "1.50 KB", 1,024,000 gives "0.97 MB".
std::string FormatByteSize(uint64_t bytes);

/// The rendering above, computed here; FormatByteSize uses it where the
/// system has no rendering of its own.
std::string FormatByteSizeText(uint64_t bytes);
