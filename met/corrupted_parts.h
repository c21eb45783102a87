// The corrupted-parts tag: the parts a client (or a rebuild) found corrupt
// and made gaps again. Both clients keep the old bytes of such a part and
// re-hash them while new blocks arrive, so the part often mends after a few
// blocks instead of a whole new download.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "met/tag_record.h"

/// The tag's name id; its value is a text such as "3,7".
constexpr uint8_t TagIdCorruptedParts = 0x24;

/// The part numbers of the tag's text as the clients read it: comma-separated
/// tokens, each a decimal number after optional blanks; other tokens, numbers
/// not below `parts` and repeats are passed over. Ascending.
std::vector<uint32_t> ParseCorruptedParts(const std::string& text, uint64_t parts);

/// The text the clients write for the parts: ascending, joined by commas.
std::string FormatCorruptedParts(const std::vector<uint32_t>& parts);

/// The tag as the clients write it: string-named 0x24, a text.
TagRecord CorruptedPartsTag(const std::vector<uint32_t>& parts);
