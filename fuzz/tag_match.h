// Comparing what the tool's reader made of a tag with what the independent
// test decoder read, so that either can be checked against the other.
#pragma once

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
