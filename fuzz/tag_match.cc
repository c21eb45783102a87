#include "fuzz/tag_match.h"

#include <algorithm>
#include <cstdint>
#include <optional>

namespace {

uint64_t Little(const std::string& bytes, size_t count) {
  uint64_t value = 0;
  for (size_t i = 0; i < count && i < bytes.size(); ++i)
    value |= uint64_t(uint8_t(bytes[i])) << (8 * i);
  return value;
}

std::string UpToNul(const std::string& text) { return text.substr(0, text.find('\0')); }

// True for a name that names a gap: the id byte, alone or followed by
// decimal digits, up to the first NUL.
bool IsGapName(const DecodedTag& tag, char id) {
  const std::string name = ReadableName(tag);
  if (name.empty() || name[0] != id) return false;
  return tag.idForm || name.size() == 1 || name.find_first_not_of("0123456789", 1) == std::string::npos;
}

bool ValueMatches(const TagRecord& record, const DecodedTag& stored) {
  const std::string& raw = stored.raw;
  switch (stored.type) {
    case 0x01:
      return record.type == TagHash && record.data == raw;
    case 0x02:
      return record.type == TagString && record.data == UpToNul(stored.text);
    case 0x03:
    case 0x08:
    case 0x09:
      return record.type == TagUInt32 && record.value == stored.number;
    case 0x04:
      return record.type == TagFloat && record.value == Little(raw, 4);
    case 0x05:
      return record.type == TagBool && record.value == Little(raw, 1);
    case 0x06:
      return record.type == TagBoolArray && record.value == Little(raw, 2) &&
             record.data == raw.substr(2);
    case 0x07:
      return record.type == TagBlob && record.length == Little(raw, 4) &&
             record.data == raw.substr(4);
    case 0x0A:
      return record.type == TagBsob && record.data == raw.substr(1);
    case 0x0B:
      return record.type == TagUInt64 && record.value == stored.number;
    default:  // the short strings, 0x11 to 0x20
      return record.type == TagString && record.data == UpToNul(stored.text);
  }
}

}  // namespace

std::string ReadableName(const DecodedTag& stored) { return UpToNul(stored.name); }

bool RecordMatches(const TagRecord& record, const DecodedTag& stored) {
  if (stored.idForm) {
    if (record.name || record.nameId != uint8_t(stored.name[0])) return false;
  } else if (!record.name || *record.name != ReadableName(stored) || record.nameId != 0) {
    return false;
  }
  if (record.type != TagBlob && record.length != 0) return false;
  return ValueMatches(record, stored);
}

std::vector<uint32_t> ListedCorruptedParts(const DecodedMet& met, uint64_t size) {
  std::string text;
  for (const DecodedTag& tag : met.tags) {
    if (ReadableName(tag) == "\x24" && (tag.type == 0x02 || (tag.type >= 0x11 && tag.type <= 0x20)))
      text = UpToNul(tag.text);
  }
  const uint64_t parts = (size + 9727999) / 9728000;
  std::vector<uint32_t> listed;
  size_t at = 0;
  while (at <= text.size()) {
    size_t comma = std::min(text.find(',', at), text.size());
    size_t digit = std::min(text.find_first_not_of(" \t", at), comma);
    uint64_t number = 0;
    bool any = false;
    for (; digit < comma && text[digit] >= '0' && text[digit] <= '9' && number < parts; ++digit) {
      number = number * 10 + uint64_t(text[digit] - '0');
      any = true;
    }
    if (any && number < parts) listed.push_back(static_cast<uint32_t>(number));
    at = comma + 1;
  }
  std::sort(listed.begin(), listed.end());
  listed.erase(std::unique(listed.begin(), listed.end()), listed.end());
  return listed;
}

uint64_t ReadableFileSize(const DecodedMet& met) {
  uint64_t size = 0;
  for (const DecodedTag& tag : met.tags) {
    if (ReadableName(tag) == "\x02" && IsIntegerTagType(tag.type)) size = tag.number;
  }
  return size;
}

std::vector<ReadableGap> AnyReadersGaps(const DecodedMet& met) {
  std::vector<ReadableGap> ranges;
  std::optional<uint64_t> start;
  for (const DecodedTag& tag : met.tags) {
    if (IsGapName(tag, '\x09')) {
      start.reset();
      if (IsIntegerTagType(tag.type)) start = tag.number;
    } else if (IsGapName(tag, '\x0A')) {
      if (start && IsIntegerTagType(tag.type) && *start < tag.number) ranges.push_back({*start, tag.number});
      start.reset();
    }
  }
  return ranges;
}
