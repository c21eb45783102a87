#include "met/tag_writer.h"

#include <cstring>

#include "met/met_image.h"
#include "met/met_messages.h"
#include "platform/console.h"

namespace {

constexpr size_t kMaxShortLength = 0xFFFF;

uint64_t LoadLittleEndian(const void* value, size_t count) {
  const uint8_t* bytes = static_cast<const uint8_t*>(value);
  uint64_t number = 0;
  for (size_t i = 0; i < count; ++i) number |= uint64_t(bytes[i]) << (8 * i);
  return number;
}

// The value bytes for a type that has them; false for a type without a
// known encoding or a value the format cannot carry.
bool EncodeValue(std::string& out, uint8_t type, const TagRecord& tag) {
  switch (type) {
    case TagHash:
      if (tag.data.size() != 16) return false;
      out += tag.data;
      return true;
    case TagString:
      if (tag.data.size() > kMaxShortLength) return false;
      PutU16(out, uint32_t(tag.data.size()));
      out += tag.data;
      return true;
    case TagUInt32:
    case TagFloat:
      // A number that needs more than 32 bits is never cut to fit.
      if (tag.value > 0xFFFFFFFFu) return false;
      PutU32(out, static_cast<uint32_t>(tag.value));
      return true;
    case TagUInt64:
      PutU64(out, tag.value);
      return true;
    case TagBsob:
      if (tag.data.size() > 0xFF) return false;
      out += char(tag.data.size());
      out += tag.data;
      return true;
    case TagUInt16:
      PutU16(out, static_cast<uint32_t>(tag.value & 0xFFFF));
      return true;
    case TagUInt8:
    case TagBool:
      out += char(tag.value & 0xFF);
      return true;
    case TagBoolArray:
      if (tag.value > kMaxShortLength || tag.data.size() != tag.value / 8 + 1) return false;
      PutU16(out, static_cast<uint32_t>(tag.value));
      out += tag.data;
      return true;
    case TagBlob:
      if (tag.data.size() != tag.length) return false;
      PutU32(out, tag.length);
      out += tag.data;
      return true;
    default:
      return false;
  }
}

}  // namespace

TagRecord BuildTag(uint8_t type, const std::string& name, const void* value, uint32_t count) {
  TagRecord tag;
  tag.type = type;
  if (type & kTagIdFormBit)
    tag.nameId = name.empty() ? 0 : static_cast<uint8_t>(name[0]);
  else
    tag.name = std::string(name.c_str());  // a name ends at its first NUL
  const char* source = static_cast<const char*>(value);
  switch (type & static_cast<uint8_t>(~kTagIdFormBit)) {
    case TagHash:
      tag.data.assign(source, 16);
      break;
    case TagString:
      tag.data = source;
      break;
    case TagUInt32:
    case TagFloat:
      tag.value = LoadLittleEndian(source, 4);
      break;
    case TagUInt64:
      tag.value = LoadLittleEndian(source, 8);
      break;
    case TagBsob:
      // Given as on disk: the length byte, then the bytes.
      tag.data.assign(source + 1, static_cast<size_t>(LoadLittleEndian(source, 1)));
      break;
    case TagUInt16:
      tag.value = LoadLittleEndian(source, 2);
      break;
    case TagBool:
    case TagUInt8:
      tag.value = LoadLittleEndian(source, 1);
      break;
    case TagBoolArray:
      // Given as on disk: the bit count, then its bytes.
      tag.value = LoadLittleEndian(source, 2);
      tag.data.assign(source + 2, static_cast<size_t>(tag.value / 8 + 1));
      break;
    case TagBlob:
      tag.length = count;
      tag.data.assign(source, count);
      break;
    default:
      tag.data.assign(source, count);
      break;
  }
  return tag;
}

bool WriteTag(std::string& out, const TagRecord& tag, std::string* problem) {
  const uint8_t type = tag.type & static_cast<uint8_t>(~kTagIdFormBit);
  const size_t start = out.size();
  if (!tag.name) {
    out += char(type | kTagIdFormBit);
    out += char(tag.nameId);
  } else if (tag.name->size() <= kMaxShortLength) {
    out += char(type);
    PutU16(out, uint32_t(tag.name->size()));
    out += *tag.name;
  } else {
    *problem = Format(kMsgTagNameTooLong, "WriteTag");
    return false;
  }
  if (!EncodeValue(out, type, tag)) {
    out.resize(start);
    *problem = Format(kMsgCannotEncodeTag, "WriteTag", type);
    return false;
  }
  return true;
}
