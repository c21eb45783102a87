#include "hash/aich_hash_set.h"

#include <cstring>

namespace {

constexpr char kBase32Digits[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZ234567";
/// Characters of a hash in base32: 160 bits, 5 a character.
constexpr size_t kBase32Length = kSha1Bytes * 8 / 5;

/// The value of a base32 digit in either case, or -1.
int Base32Value(char c) {
  if (c >= 'A' && c <= 'Z') return c - 'A';
  if (c >= 'a' && c <= 'z') return c - 'a';
  if (c >= '2' && c <= '7') return c - '2' + 26;
  return -1;
}

/// Where the part hashes start in the blob: after the root and the count.
constexpr size_t kPartsAt = kSha1Bytes + 2;

AichHash HashAt(const std::string& bytes, size_t offset) {
  AichHash hash;
  std::memcpy(hash.data(), bytes.data() + offset, kSha1Bytes);
  return hash;
}

/// The set the blob holds for a file of `fileSize` bytes; false where its
/// length or count does not fit. eMule stores part hashes only above one part.
bool DecodeAichHashSet(uint64_t fileSize, const std::string& blob, AichHashSet* set) {
  const uint32_t parts = AichPartCount(fileSize);
  const uint32_t stored = parts > 1 ? parts : 0;
  if (parts == 0 || blob.size() != kPartsAt + size_t{stored} * kSha1Bytes) return false;
  const uint32_t count = uint8_t(blob[kSha1Bytes]) | uint32_t{uint8_t(blob[kSha1Bytes + 1])} << 8;
  if (count != stored) return false;
  set->root = HashAt(blob, 0);
  set->parts.clear();
  for (uint32_t part = 0; part < stored; ++part)
    set->parts.push_back(HashAt(blob, kPartsAt + size_t{part} * kSha1Bytes));
  if (stored == 0) set->parts.push_back(set->root);
  return true;
}

}  // namespace

AichSetCheck CheckAichHashSet(uint64_t fileSize, const std::string& blob,
                              const std::string& rootText, AichHashSet* set) {
  AichHashSet decoded;
  if (!DecodeAichHashSet(fileSize, blob, &decoded)) return AichSetCheck::kMalformed;
  AichHash rebuilt;
  if (!AichRootOfParts(fileSize, decoded.parts, &rebuilt) || rebuilt != decoded.root)
    return AichSetCheck::kTreeBroken;
  AichHash named;
  if (!AichHashFromBase32(rootText, &named) || named != decoded.root)
    return AichSetCheck::kRootDiffers;
  *set = std::move(decoded);
  return AichSetCheck::kTrusted;
}

std::string AichHashToBase32(const AichHash& hash) {
  std::string text;
  uint32_t bits = 0;
  int held = 0;
  for (uint8_t byte : hash) {
    bits = bits << 8 | byte;
    held += 8;
    while (held >= 5) {
      held -= 5;
      text += kBase32Digits[(bits >> held) & 31];
    }
  }
  return text;  // 160 bits leave none over
}

bool AichHashFromBase32(const std::string& text, AichHash* hash) {
  if (text.size() != kBase32Length) return false;
  AichHash decoded;
  uint32_t bits = 0;
  int held = 0;
  size_t filled = 0;
  for (char c : text) {
    const int value = Base32Value(c);
    if (value < 0) return false;
    bits = bits << 5 | uint32_t(value);
    held += 5;
    if (held >= 8) {
      held -= 8;
      decoded[filled++] = uint8_t(bits >> held);
    }
  }
  *hash = decoded;
  return true;
}
