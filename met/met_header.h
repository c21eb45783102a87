// The header of a metadata file: its two layouts and how they are told apart.
#pragma once

#include <cstdint>
#include <optional>

#include "met/met_image.h"

class Console;

/// The header layouts: with the MD4 hash of every part, or without.
enum class HeaderLayout { FullHeader, CompactHeader };

/// The header as read from an image.
struct MetHeader {
  uint8_t version = 0;
  HeaderLayout layout = HeaderLayout::FullHeader;
  uint8_t opaqueByte = 0;   // CompactHeader only
  uint32_t opaqueWord = 0;  // at offset 1 (FullHeader) or 2 (CompactHeader)
  uint8_t fileHash[16] = {};
  uint16_t partCount = 0;
  /// Offset of the first of partCount 16-byte part hashes in the image.
  ReadCursor partHashes = 0;
  uint32_t tagCount = 0;
  /// Offset of the first tag, just behind the tag count.
  ReadCursor firstTag = 0;
};

/// Reads the header. An unknown version byte or a header that does not fit
/// in the image is reported on the console and gives nothing.
std::optional<MetHeader> ReadMetHeader(const MetImage& image, Console& console);

/// Prints the message for an image that ends before the data it announces.
void ReportTruncated(const MetImage& image, Console& console);

/// The 16 bytes of part hash `index` (below partCount) in the image.
const uint8_t* PartHash(const MetImage& image, const MetHeader& header, uint32_t index);
