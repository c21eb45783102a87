// Decoding the tag stream of a metadata file.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "met/met_header.h"
#include "met/met_image.h"
#include "met/tag_record.h"

class Console;

/// Decodes the tag at the cursor and advances past it. A tag that runs past
/// the end of the image, or whose type has no known size, cannot be decoded:
/// it is reported and gives nothing, and nothing behind it can be trusted.
std::optional<TagRecord> CreateTag(const MetImage& image, ReadCursor& cursor, Console& console);

/// Takes `count` bytes of text at the cursor. Like every string of the
/// format it ends at its first NUL byte, though all its bytes are consumed.
bool ReadFixedString(const MetImage& image, ReadCursor& cursor, uint32_t count, std::string* text);

/// True when the tag bears the one-byte name `id`: in id form, or as a string
/// name of exactly that byte. Gap names also match as the byte followed by
/// the gap's index in decimal digits, the way the download clients write them.
bool TagHasName(const TagRecord& tag, uint8_t id);

/// How a walk over the tag stream ended.
struct TagPassEnd {
  /// False when a tag could not be decoded; the walk stopped in front of it.
  bool complete = true;
  /// Just behind the last tag decoded.
  ReadCursor cursor = 0;
};

/// Decodes the header's tags in order and hands each to `visit`.
TagPassEnd ReadTagStream(const MetImage& image, const MetHeader& header, Console& console,
                         const std::function<void(const TagRecord&)>& visit);
