// Decoding the tag stream of a metadata file.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "met/met_image.h"
#include "met/tag_record.h"

/// Decodes the tag at the cursor and advances past it. A tag that runs past
/// the end of the image, or whose type has no known size, cannot be decoded:
/// it gives nothing and `problem` the line that says so, and nothing behind
/// it can be trusted.
std::optional<TagRecord> CreateTag(const MetImage& image, ReadCursor& cursor,
                                   std::string* problem);

/// Takes `count` bytes of text at the cursor. Like every string of the
/// format it ends at its first NUL byte, though all its bytes are consumed.
bool ReadFixedString(const MetImage& image, ReadCursor& cursor, uint32_t count, std::string* text);

/// True when the tag bears the one-byte name `id`: in id form, or as a string
/// name of exactly that byte. Gap names also match as the byte followed by
/// the gap's index in decimal digits, the way the download clients write them.
bool TagHasName(const TagRecord& tag, uint8_t id);
