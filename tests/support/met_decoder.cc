#include "tests/support/met_decoder.h"

#include <map>

namespace {

struct Reader {
  const std::string& bytes;
  size_t at = 0;
  bool failed = false;

  std::string Take(size_t n) {
    if (failed || n > bytes.size() - at) {
      failed = true;
      return std::string();
    }
    std::string part = bytes.substr(at, n);
    at += n;
    return part;
  }
  uint64_t Number(size_t n) {
    std::string part = Take(n);
    uint64_t value = 0;
    for (size_t i = 0; i < part.size(); ++i) value |= uint64_t(uint8_t(part[i])) << (8 * i);
    return value;
  }
};

// Only the old eDonkey versions have a compact layout; a 0xE2 file is always full.
bool IsCompact(const std::string& bytes) {
  if (bytes.size() < 5) return false;
  bool nonZero = bytes.substr(1, 4) != std::string(4, '\0');
  if (uint8_t(bytes[0]) == 0xE1) return nonZero;
  if (uint8_t(bytes[0]) != 0xE0) return false;
  return bytes.size() >= 28 && bytes.substr(24, 4) == std::string("\x00\x00\x02\x01", 4) && nonZero;
}

bool DecodeValue(Reader& in, DecodedTag& tag) {
  size_t start = in.at;
  switch (tag.type) {
    case 0x01: in.Take(16); break;
    case 0x02: tag.text = in.Take(size_t(in.Number(2))); break;
    case 0x03: tag.number = in.Number(4); break;
    case 0x04: in.Take(4); break;
    case 0x05: in.Take(1); break;
    case 0x06: in.Take(size_t(in.Number(2)) / 8 + 1); break;
    case 0x07: in.Take(size_t(in.Number(4))); break;
    case 0x08: tag.number = in.Number(2); break;
    case 0x09: tag.number = in.Number(1); break;
    case 0x0A: in.Take(size_t(in.Number(1))); break;
    case 0x0B: tag.number = in.Number(8); break;
    default:
      if (tag.type < 0x11 || tag.type > 0x20) return false;
      tag.text = in.Take(tag.type - 0x10);
  }
  if (in.failed) return false;
  tag.raw = in.bytes.substr(start, in.at - start);
  return true;
}

bool IsGapName(const DecodedTag& tag) {
  if (tag.idForm || tag.name.size() < 2) return false;
  if (tag.name[0] != '\x09' && tag.name[0] != '\x0A') return false;
  return tag.name.find_first_not_of("0123456789", 1) == std::string::npos;
}

// A gap's index, compared as a number of any length: leading zeros dropped,
// then shorter is smaller.
std::pair<size_t, std::string> GapIndex(const std::string& name) {
  size_t first = name.find_first_not_of('0', 1);
  std::string digits = first == std::string::npos ? "" : name.substr(first);
  return {digits.size(), digits};
}

}  // namespace

DecodedMet DecodeMet(const std::string& bytes) {
  DecodedMet met;
  Reader in{bytes};
  met.version = uint8_t(in.Number(1));
  if (in.failed || (met.version != 0xE0 && met.version != 0xE1 && met.version != 0xE2)) return met;
  if (IsCompact(bytes)) {
    in.Take(21);
  } else {
    in.Take(20);
    in.Take(16 * size_t(in.Number(2)));
  }
  met.head = bytes.substr(0, in.failed ? 0 : in.at);
  met.tagCount = uint32_t(in.Number(4));
  for (uint32_t i = 0; i < met.tagCount && !in.failed; ++i) {
    DecodedTag tag;
    uint8_t typeByte = uint8_t(in.Number(1));
    tag.idForm = typeByte & 0x80;
    tag.type = typeByte & 0x7F;
    tag.name = tag.idForm ? in.Take(1) : in.Take(size_t(in.Number(2)));
    if (in.failed || !DecodeValue(in, tag)) return met;
    met.tags.push_back(tag);
  }
  if (in.failed) return met;
  met.trailer = bytes.substr(in.at);
  met.ok = true;
  return met;
}

bool IsIntegerTagType(uint8_t type) {
  return type == 0x03 || type == 0x08 || type == 0x09 || type == 0x0B;
}

ClientGapList ClientGaps(const DecodedMet& met) {
  std::map<std::pair<size_t, std::string>, std::pair<uint64_t, uint64_t>> byIndex;
  for (const DecodedTag& tag : met.tags) {
    if (!IsGapName(tag) || !IsIntegerTagType(tag.type)) continue;
    auto& gap = byIndex[GapIndex(tag.name)];
    (tag.name[0] == '\x09' ? gap.first : gap.second) = tag.number;
  }
  ClientGapList gaps;
  for (const auto& entry : byIndex) gaps.push_back(entry.second);
  return gaps;
}

std::optional<uint64_t> ClientFileSize(const DecodedMet& met) {
  std::optional<uint64_t> size;
  for (const DecodedTag& tag : met.tags) {
    // A one-byte string name is the id to the clients, as the id form is.
    if (tag.name == "\x02" && IsIntegerTagType(tag.type)) size = tag.number;
  }
  return size;
}

bool InsideOneGap(const ClientGapList& gaps, uint64_t start, uint64_t end) {
  for (const auto& gap : gaps) {
    if (gap.first <= start && gap.second >= end) return true;
  }
  return false;
}
