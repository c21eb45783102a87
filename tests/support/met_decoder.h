// A small decoder of metadata files written for the tests alone, so that
// what the tool writes is checked by code other than its own.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <utility>
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
  /// Integer types (0x03, 0x08, 0x09, 0x0B) as a number.
  uint64_t number = 0;
  /// String types (0x02, 0x11..0x20) as text.
  std::string text;
};

/// A decoded file; `ok` is false when it is damaged in any way.
struct DecodedMet {
  bool ok = false;
  /// The version byte: 0xE0, 0xE1, or 0xE2 for a download of more than 4,290,048,000 bytes.
  uint8_t version = 0;
  /// Bytes in front of the tag count.
  std::string head;
  uint32_t tagCount = 0;
  std::vector<DecodedTag> tags;
  /// Bytes after the last tag.
  std::string trailer;
};

/// Gaps as (start, end) pairs, end one past the gap's last byte.
using ClientGapList = std::vector<std::pair<uint64_t, uint64_t>>;

/// Decodes a file of version 0xE0, 0xE1 or 0xE2 (whose header is always the full one).
DecodedMet DecodeMet(const std::string& bytes);

/// True for the integer types, which the clients accept in any width for
/// the file size and the gaps: 0x03, 0x08, 0x09 and 0x0B.
bool IsIntegerTagType(uint8_t type);

/// The gaps the download clients read from a file: pairs of string-named
/// integer tags "\x09" N / "\x0A" N, matched by the index N, in index order.
/// A bound whose tag is missing reads 0.
ClientGapList ClientGaps(const DecodedMet& met);

/// The file size as the clients read it: the last integer tag named 0x02,
/// whatever its width; nothing when there is none.
std::optional<uint64_t> ClientFileSize(const DecodedMet& met);

/// True when one of the client's gaps (start, end) holds all of [start, end).
bool InsideOneGap(const ClientGapList& gaps, uint64_t start, uint64_t end);
