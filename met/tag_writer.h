// Encoding tags, so that a decoded tag can be written back and new ones made.
#pragma once

#include <cstdint>
#include <string>

#include "met/tag_record.h"

/// Makes a tag from a value held elsewhere. Bit 7 of `type` chooses the id
/// form, whose id is the first byte of `name`. `value` points at the value:
/// the integer's little-endian bytes, a NUL-terminated text, 16 hash bytes,
/// or `count` blob bytes.
TagRecord BuildTag(uint8_t type, const std::string& name, const void* value, uint32_t count);

/// Appends the tag's on-disk form to `out`: id form when it has no name,
/// string form otherwise. For a tag it cannot encode nothing is appended,
/// `problem` gets the line that says so, and the result is false.
bool WriteTag(std::string& out, const TagRecord& tag, std::string* problem);
