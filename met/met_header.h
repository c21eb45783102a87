// The header of a metadata file: its two layouts and how they are told apart.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "met/met_image.h"

/// The version bytes: the clients write 0xE0, and 0xE2 for a large download
/// (above 4,290,048,000 bytes), whose header is always a FullHeader.
constexpr uint8_t kVersionPlain = 0xE0;
constexpr uint8_t kVersionLarge = 0xE2;

/// The header layouts: with the MD4 hash of every part, or without.
enum class HeaderLayout { FullHeader, CompactHeader };

/// The header as read from an image.
struct MetHeader {
  uint8_t version = 0;
  HeaderLayout layout = HeaderLayout::FullHeader;
  uint8_t opaqueByte = 0;  // CompactHeader only
  /// The word at offset 1 (FullHeader) or 2 (CompactHeader). In a FullHeader
  /// it is the data file's modification time as the client last saw it.
  uint32_t opaqueWord = 0;
  uint8_t fileHash[16] = {};
  uint16_t partCount = 0;
  /// Offset of the first of partCount 16-byte part hashes in the image.
  ReadCursor partHashes = 0;
  uint32_t tagCount = 0;
  /// Offset of the first tag, just behind the tag count.
  ReadCursor firstTag = 0;
};

/// A header, or the line that says why there is none (an unknown version
/// byte, or a file that ends inside its header).
struct HeaderRead {
  std::optional<MetHeader> header;
  std::string problem;
};

/// Reads the header of the image.
HeaderRead ReadMetHeader(const MetImage& image);

/// The line for an image that ends before the data it announces.
std::string TruncatedMessage(const MetImage& image);

/// The 16 bytes of part hash `index` (below partCount) in the image.
const uint8_t* PartHash(const MetImage& image, const MetHeader& header, uint32_t index);

/// The data file's modification time (Unix seconds) that the client noted
/// when it last saved the download; a client that finds the data file with
/// another time hashes it all again. Nothing for a CompactHeader.
std::optional<uint32_t> DataFileTimeStamp(const MetHeader& header);

/// The header's lines in the listing and the rewrites: the file hash, and in
/// a FullHeader the part count, with `partHashes` each stored part hash too.
std::string HeaderLines(const MetImage& image, const MetHeader& header, bool partHashes);
