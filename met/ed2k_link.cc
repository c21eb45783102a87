#include "met/ed2k_link.h"

#include <cctype>

#include "met/met_messages.h"

namespace {

constexpr char kScheme[] = "ed2k://";

bool StartsWithIgnoringCase(const std::string& text, const std::string& start) {
  if (text.size() < start.size()) return false;
  for (size_t i = 0; i < start.size(); ++i) {
    if (std::tolower(static_cast<unsigned char>(text[i])) != start[i]) return false;
  }
  return true;
}

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// 32 hexadecimal digits, and nothing else, as 16 bytes.
std::optional<std::array<uint8_t, 16>> ReadHash(const std::string& text) {
  if (text.size() != 32) return std::nullopt;
  std::array<uint8_t, 16> hash{};
  for (size_t i = 0; i < 16; ++i) {
    const int high = HexValue(text[2 * i]);
    const int low = HexValue(text[2 * i + 1]);
    if (high < 0 || low < 0) return std::nullopt;
    hash[i] = static_cast<uint8_t>(high << 4 | low);
  }
  return hash;
}

// Decimal digits only, never wrapping.
std::optional<uint64_t> ReadSize(const std::string& text) {
  if (text.empty() || text.size() > 19) return std::nullopt;
  uint64_t value = 0;
  for (char c : text) {
    if (c < '0' || c > '9') return std::nullopt;
    value = value * 10 + static_cast<uint64_t>(c - '0');
  }
  return value;
}

// The name as the link escapes it: %XX stands for a byte. A '%' that no two
// hexadecimal digits follow stands for itself.
std::string DecodeName(const std::string& text) {
  std::string name;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '%' && i + 2 < text.size() && HexValue(text[i + 1]) >= 0 &&
        HexValue(text[i + 2]) >= 0) {
      name += static_cast<char>(HexValue(text[i + 1]) << 4 | HexValue(text[i + 2]));
      i += 2;
    } else {
      name += text[i];
    }
  }
  return name;
}

std::vector<std::string> SplitFields(const std::string& text) {
  std::vector<std::string> fields;
  size_t at = 0;
  for (;;) {
    const size_t bar = text.find('|', at);
    fields.push_back(text.substr(at, bar == std::string::npos ? std::string::npos : bar - at));
    if (bar == std::string::npos) return fields;
    at = bar + 1;
  }
}

void ReadPartHashes(const std::string& text, Ed2kLink& link) {
  link.partHashesGiven = true;
  size_t at = 0;
  for (;;) {
    const size_t colon = text.find(':', at);
    const std::optional<std::array<uint8_t, 16>> hash =
        ReadHash(text.substr(at, colon == std::string::npos ? std::string::npos : colon - at));
    if (!hash) {
      link.partHashes.clear();
      return;
    }
    link.partHashes.push_back(*hash);
    if (colon == std::string::npos) return;
    at = colon + 1;
  }
}

// A SHA-1 root in base32: 32 letters of A-Z and 2-7.
void ReadAichRoot(const std::string& text, Ed2kLink& link) {
  std::string root;
  for (char c : text) {
    const char upper = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    if (!((upper >= 'A' && upper <= 'Z') || (upper >= '2' && upper <= '7'))) break;
    root += upper;
  }
  if (root.size() == 32 && root.size() == text.size()) {
    link.aichRoot = root;
    link.aichRootBad = false;
  } else {
    link.aichRoot.clear();
    link.aichRootBad = true;
  }
}

}  // namespace

bool LooksLikeEd2kLink(const std::string& text) { return StartsWithIgnoringCase(text, kScheme); }

Ed2kLinkRead ReadEd2kLink(const std::string& text) {
  Ed2kLinkRead read;
  const std::vector<std::string> fields = SplitFields(text);
  if (fields.size() < 5 || !StartsWithIgnoringCase(fields[0] + "|", "ed2k://|") ||
      fields[0].size() != 7 || !StartsWithIgnoringCase(fields[1], "file") ||
      fields[1].size() != 4) {
    read.problem = kMsgNotFileLink;
    return read;
  }
  Ed2kLink link;
  link.name = DecodeName(fields[2]);
  if (link.name.empty() || link.name.find('\0') != std::string::npos) {
    read.problem = kMsgLinkNoName;
    return read;
  }
  const std::optional<uint64_t> size = ReadSize(fields[3]);
  if (!size || *size == 0 || *size > kMaxDownloadSize) {
    read.problem = kMsgLinkBadSize;
    return read;
  }
  link.size = *size;
  const std::optional<std::array<uint8_t, 16>> hash = ReadHash(fields[4]);
  if (!hash) {
    read.problem = kMsgLinkBadHash;
    return read;
  }
  link.fileHash = *hash;
  for (size_t i = 5; i < fields.size(); ++i) {
    if (StartsWithIgnoringCase(fields[i], "p=")) ReadPartHashes(fields[i].substr(2), link);
    if (StartsWithIgnoringCase(fields[i], "h=")) ReadAichRoot(fields[i].substr(2), link);
  }
  read.link = std::move(link);
  return read;
}
