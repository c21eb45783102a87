// One tag of a metadata file, decoded, and the names the tool looks for.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

/// Value types of a tag (the type byte without its name-form bit).
enum TagType : uint8_t {
  TagHash = 0x01,
  TagString = 0x02,
  TagUInt32 = 0x03,
  TagFloat = 0x04,
  TagBool = 0x05,
  TagBoolArray = 0x06,
  TagBlob = 0x07,
  TagUInt16 = 0x08,
  TagUInt8 = 0x09,
  /// A short byte string with an 8-bit length, as the clients' protocol has it.
  TagBsob = 0x0A,
  /// The clients' 64-bit integer, for sizes and gap bounds of large downloads.
  TagUInt64 = 0x0B,
};

/// Short strings hold (type - 0x10) bytes of text: 0x11 one, 0x20 sixteen.
constexpr uint8_t kTagShortStringFirst = 0x11;
constexpr uint8_t kTagShortStringLast = 0x20;

/// Bit 7 of the type byte: the name is a one-byte id, not a string.
constexpr uint8_t kTagIdFormBit = 0x80;

/// Tag names that mean something to the tool.
constexpr uint8_t TagIdFileSize = 0x02;
constexpr uint8_t TagIdGapStart = 0x09;
constexpr uint8_t TagIdGapEnd = 0x0A;
constexpr uint8_t TagIdPartFileName = 0x12;
/// eMule's AICH hashes: the root in base32 text, and the whole set as a blob.
constexpr uint8_t TagIdAichHash = 0x27;
constexpr uint8_t TagIdAichHashSet = 0x35;

/// One decoded tag. Decoding widens TagUInt16 and TagUInt8 to TagUInt32 and
/// short strings to TagString, so users see fewer types than files hold.
struct TagRecord {
  uint8_t type = 0;
  /// The name of an id-form tag; 0 for a string-form tag.
  uint8_t nameId = 0;
  /// The name of a string-form tag (possibly empty); none in id form.
  std::optional<std::string> name;
  /// Byte count of a TagBlob value; 0 for every other type.
  uint32_t length = 0;
  /// Integers (the small ones widened), a float's bits, a bool's byte, a
  /// bool array's bit count.
  uint64_t value = 0;
  /// Bytes of a hash, text of a string, bytes of a blob, a bool array or a
  /// bsob.
  std::string data;
};

/// True for a tag that holds an integer (of any width).
inline bool HoldsNumber(const TagRecord& tag) {
  return tag.type == TagUInt32 || tag.type == TagUInt64;
}
