#include "met/tag_reader.h"

#include "met/met_header.h"
#include "met/met_messages.h"
#include "platform/console.h"

namespace {

bool ReadBuffer(const MetImage& image, ReadCursor& cursor, uint32_t count, std::string* bytes) {
  if (!HasBytes(image, cursor, count)) return false;
  bytes->assign(reinterpret_cast<const char*>(image.data()) + cursor, count);
  cursor += count;
  return true;
}

bool ReadName(const MetImage& image, ReadCursor& cursor, uint8_t typeByte, TagRecord& tag) {
  if (typeByte & kTagIdFormBit) return ReadU8(image, cursor, &tag.nameId);
  uint16_t length;
  std::string name;
  if (!ReadU16(image, cursor, &length) || !ReadFixedString(image, cursor, length, &name))
    return false;
  tag.name = std::move(name);
  return true;
}

enum class ValueRead { Done, Truncated, UnknownType };

ValueRead ReadValue(const MetImage& image, ReadCursor& cursor, TagRecord& tag) {
  bool ok;
  switch (tag.type) {
    case TagHash:
      ok = ReadBuffer(image, cursor, 16, &tag.data);
      break;
    case TagString: {
      uint16_t length;
      ok = ReadU16(image, cursor, &length) && ReadFixedString(image, cursor, length, &tag.data);
      break;
    }
    case TagUInt32:
    case TagFloat: {
      uint32_t number;
      ok = ReadU32(image, cursor, &number);
      tag.value = number;
      break;
    }
    case TagUInt64:
      ok = ReadU64(image, cursor, &tag.value);
      break;
    case TagBsob: {
      uint8_t length;
      ok = ReadU8(image, cursor, &length) && ReadBuffer(image, cursor, length, &tag.data);
      break;
    }
    case TagBool: {
      uint8_t byte;
      ok = ReadU8(image, cursor, &byte);
      tag.value = byte;
      break;
    }
    case TagBoolArray: {
      // B bits take B / 8 + 1 bytes (one more than needed when B is a
      // multiple of 8); kept whole so that a rewrite writes them back.
      uint16_t bits;
      ok = ReadU16(image, cursor, &bits) && ReadBuffer(image, cursor, bits / 8u + 1, &tag.data);
      tag.value = bits;
      break;
    }
    case TagBlob:
      ok = ReadU32(image, cursor, &tag.length) && ReadBuffer(image, cursor, tag.length, &tag.data);
      break;
    case TagUInt16: {
      uint16_t number;
      ok = ReadU16(image, cursor, &number);
      tag.value = number;
      tag.type = TagUInt32;
      break;
    }
    case TagUInt8: {
      uint8_t number;
      ok = ReadU8(image, cursor, &number);
      tag.value = number;
      tag.type = TagUInt32;
      break;
    }
    default:
      if (tag.type < kTagShortStringFirst || tag.type > kTagShortStringLast)
        return ValueRead::UnknownType;
      ok = ReadFixedString(image, cursor, tag.type - 0x10u, &tag.data);
      tag.type = TagString;
      break;
  }
  return ok ? ValueRead::Done : ValueRead::Truncated;
}

bool IsDecimalDigits(const std::string& text, size_t from) {
  if (from >= text.size()) return false;
  for (size_t i = from; i < text.size(); ++i) {
    if (text[i] < '0' || text[i] > '9') return false;
  }
  return true;
}

}  // namespace

bool ReadFixedString(const MetImage& image, ReadCursor& cursor, uint32_t count, std::string* text) {
  if (!HasBytes(image, cursor, count)) return false;
  const char* start = reinterpret_cast<const char*>(image.data()) + cursor;
  size_t length = 0;
  while (length < count && start[length] != '\0') ++length;
  text->assign(start, length);
  cursor += count;
  return true;
}

std::optional<TagRecord> CreateTag(const MetImage& image, ReadCursor& cursor,
                                   std::string* problem) {
  TagRecord tag;
  uint8_t typeByte;
  ValueRead outcome = ValueRead::Truncated;
  if (ReadU8(image, cursor, &typeByte) && ReadName(image, cursor, typeByte, tag)) {
    tag.type = typeByte & static_cast<uint8_t>(~kTagIdFormBit);
    outcome = ReadValue(image, cursor, tag);
  }
  if (outcome == ValueRead::Done) return tag;
  if (outcome == ValueRead::UnknownType)
    *problem = Format(kMsgUnknownTagType, "CreateTag", tag.type);
  else
    *problem = TruncatedMessage(image);
  return std::nullopt;
}

bool TagHasName(const TagRecord& tag, uint8_t id) {
  if (!tag.name) return tag.nameId == id;
  const std::string& name = *tag.name;
  if (name.empty() || static_cast<uint8_t>(name[0]) != id) return false;
  if (name.size() == 1) return true;
  return (id == TagIdGapStart || id == TagIdGapEnd) && IsDecimalDigits(name, 1);
}
