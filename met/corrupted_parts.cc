#include "met/corrupted_parts.h"

#include <algorithm>

#include "met/tag_writer.h"

std::vector<uint32_t> ParseCorruptedParts(const std::string& text, uint64_t parts) {
  std::vector<uint32_t> found;
  size_t at = 0;
  while (at <= text.size()) {
    size_t comma = text.find(',', at);
    if (comma == std::string::npos) comma = text.size();
    size_t digit = text.find_first_not_of(" \t", at);
    uint64_t number = 0;
    bool any = false;
    for (; digit < comma && text[digit] >= '0' && text[digit] <= '9'; ++digit) {
      number = number * 10 + static_cast<uint64_t>(text[digit] - '0');
      any = true;
      if (number >= parts) break;  // out of range, however it goes on
    }
    if (any && number < parts) found.push_back(static_cast<uint32_t>(number));
    at = comma + 1;
  }
  std::sort(found.begin(), found.end());
  found.erase(std::unique(found.begin(), found.end()), found.end());
  return found;
}

std::string FormatCorruptedParts(const std::vector<uint32_t>& parts) {
  std::vector<uint32_t> sorted = parts;
  std::sort(sorted.begin(), sorted.end());
  sorted.erase(std::unique(sorted.begin(), sorted.end()), sorted.end());
  std::string text;
  for (uint32_t part : sorted) {
    if (!text.empty()) text += ',';
    text += std::to_string(part);
  }
  return text;
}

TagRecord CorruptedPartsTag(const std::vector<uint32_t>& parts) {
  const std::string text = FormatCorruptedParts(parts);
  return BuildTag(TagString, std::string(1, char(TagIdCorruptedParts)), text.c_str(),
                  static_cast<uint32_t>(text.size()));
}
