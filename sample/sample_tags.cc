#include "sample/sample_tags.h"

namespace {

constexpr uint64_t kPartSize = 9728000;

std::string U16(uint32_t v) { return {char(v & 0xFF), char(v >> 8 & 0xFF)}; }

std::string U32(uint32_t v) {
  return {char(v & 0xFF), char(v >> 8 & 0xFF), char(v >> 16 & 0xFF), char(v >> 24 & 0xFF)};
}

std::string U64(uint64_t v) { return U32(uint32_t(v)) + U32(uint32_t(v >> 32)); }

std::string Text(const std::string& text) { return U16(uint32_t(text.size())) + text; }

SampleTag Tag(uint8_t type, const std::string& name, const std::string& value) {
  return SampleTag{type, name, value};
}

// Bytes that depend on the seed and on what they are for.
std::string SeededBytes(uint32_t seed, uint32_t purpose, size_t count) {
  std::string bytes;
  uint64_t x = uint64_t(seed) << 32 | purpose;
  while (bytes.size() < count) {
    x = x * 6364136223846793005ull + 1442695040888963407ull;
    bytes += char(x >> 56);
  }
  return bytes;
}

}  // namespace

std::string SampleBase32(const std::string& bytes) {
  static const char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZ234567";
  std::string text;
  uint32_t buffer = 0;
  int bits = 0;
  for (unsigned char byte : bytes) {
    buffer = buffer << 8 | byte;
    for (bits += 8; bits >= 5; bits -= 5) text += kAlphabet[buffer >> (bits - 5) & 31];
  }
  if (bits > 0) text += kAlphabet[buffer << (5 - bits) & 31];
  return text;
}

std::string EncodeSampleTag(const SampleTag& tag) {
  std::string bytes(1, char(tag.type));
  if (tag.type & 0x80)
    bytes += tag.name.substr(0, 1);
  else
    bytes += Text(tag.name);
  return bytes + tag.value;
}

SampleTag SampleNumberTag(const std::string& name, uint32_t value) {
  return Tag(0x03, name, U32(value));
}

SampleTag SampleUInt64Tag(const std::string& name, uint64_t value) {
  return Tag(0x0B, name, U64(value));
}

SampleTag SampleTextTag(const std::string& name, const std::string& text) {
  return Tag(0x02, name, Text(text));
}

std::vector<SampleTag> EveryTypeSampleTags() {
  return {
      Tag(0x83, "\x15", U32(0x01020304)),  // id form
      Tag(0x82, "\x22", Text("id-form text")),
      Tag(0x01, "hash", "0123456789abcdef"),
      Tag(0x04, "ratio", U32(0x3FC00000)),  // 1.5f
      Tag(0x05, "flag", "\x01"),
      Tag(0x06, "bits12", U16(12) + "\xA5\x0F"),
      Tag(0x06, "bits8", U16(8) + std::string("\xFF\x00", 2)),
      Tag(0x06, "bits0", U16(0) + std::string(1, '\0')),
      Tag(0x07, "blob", U32(3) + "\x01\x02\x03"),
      Tag(0x07, "empty blob", U32(0)),
      Tag(0x08, "port", U16(4662)),
      Tag(0x09, "prio8", "\xFF"),
      Tag(0x15, "short5", "hello"),
      Tag(0x20, "short16", "0123456789ABCDEF"),
      Tag(0x02, "", Text("empty name")),
      Tag(0x02, "empty text", Text("")),
      Tag(0x03, "\x09" "A", U32(77)),   // no gap: not digits
      Tag(0x03, "\x0A" "1x", U32(78)),  // no gap either
  };
}

std::vector<SampleTag> UInt64SampleTags() {
  return {Tag(0x8B, "\x16", U64(5000000000ull)), SampleUInt64Tag("small64", 7),
          SampleUInt64Tag("\x09" "B", 4294967296ull)};  // no gap: not digits
}

SampleTag BsobSampleTag() { return Tag(0x0A, "bsob", "\x03" "abc"); }

std::vector<SampleTag> EmuleSampleTags(uint64_t fileSize, uint32_t seed) {
  const uint64_t parts = (fileSize + kPartSize - 1) / kPartSize;
  std::vector<SampleTag> tags;
  tags.push_back(SampleTextTag("\x24", parts > 1 ? "0," + std::to_string(parts - 1) : "0"));
  const std::string root = SeededBytes(seed, 0x27, 20);
  tags.push_back(SampleTextTag("\x27", SampleBase32(root)));
  if (parts > 1) {
    std::string set = root + U16(uint32_t(parts));
    for (uint64_t part = 0; part < parts; ++part)
      set += SeededBytes(seed, 0x3500 + uint32_t(part), 20);
    tags.push_back(Tag(0x07, "\x35", U32(uint32_t(set.size())) + set));
  }
  tags.push_back(SampleNumberTag("\x50", 123456789));  // bytes uploaded
  tags.push_back(SampleNumberTag("\x51", 42));         // requests
  tags.push_back(SampleNumberTag("\x52", 17));         // accepted uploads
  tags.push_back(SampleNumberTag("\x54", 1));          // bytes uploaded, high word
  tags.push_back(SampleNumberTag("\x55", 400));        // most sources wanted
  tags.push_back(SampleNumberTag("\x21", 0x6B163000)); // Kad: sources published
  tags.push_back(SampleNumberTag("\x26", 0x6B162000)); // Kad: notes published
  tags.push_back(Tag(0x04, "kept float", U32(0x40200000)));  // 2.5f
  tags.push_back(Tag(0x01, "kept hash", SeededBytes(seed, 0x01, 16)));
  return tags;
}
