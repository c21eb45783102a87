// A small decoder of metadata files written for the tests alone, so that
// what the tool writes is checked by code other than its own.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

/// One tag as stored.
struct DecodedTag {
  bool idForm = false;
  /// The name bytes (the id byte in id form).
  std::string name;
  /// The type without the name-form bit.
  uint8_t type = 0;
  /// The value bytes exactly as stored, length fields included.
  std::string raw;
  /// Integer types (0x03, 0x08, 0x09) as a number.
  uint32_t number = 0;
  /// String types (0x02, 0x11..0x20) as text.
  std::string text;
};

/// A decoded file; `ok` is false when it is damaged in any way.
struct DecodedMet {
  bool ok = false;
  /// Bytes in front of the tag count.
  std::string head;
  uint32_t tagCount = 0;
  std::vector<DecodedTag> tags;
  /// Bytes after the last tag.
  std::string trailer;
};

/// Decodes a file of version 0xE0 or 0xE1.
DecodedMet DecodeMet(const std::string& bytes);

/// The gaps the download clients read from a file: pairs of string-named
/// tags "\x09" N / "\x0A" N, as (start, end) in index order.
std::vector<std::pair<uint32_t, uint32_t>> ClientGaps(const DecodedMet& met);

/// True when one of the client's gaps (start, end) holds all of [start, end).
bool InsideOneGap(const std::vector<std::pair<uint32_t, uint32_t>>& gaps, uint64_t start,
                  uint64_t end);
