#include "met/met_header.h"

#include "met/met_messages.h"
#include "platform/console.h"

namespace {

constexpr uint8_t kVersionCompactCapable = 0xE1;
// The bytes 00 00 02 01 at offsets 24 to 27 mark a compact 0xE0 header.
constexpr uint32_t kCompactProbe = 0x01020000;
constexpr ReadCursor kProbeOffset = 24;

bool MayBeCompact(const MetImage& image, uint8_t version) {
  // A large download's header is always the full one.
  if (version == kVersionLarge) return false;
  if (version == kVersionCompactCapable) return true;
  // A file too short for the probe cannot be compact: a compact 0xE0 header
  // with that probe always has a tag behind its tag count.
  ReadCursor probeAt = kProbeOffset;
  uint32_t probe = 0;
  return ReadU32(image, probeAt, &probe) && probe == kCompactProbe;
}

bool ReadCompact(const MetImage& image, MetHeader& header) {
  ReadCursor cursor = 1;
  header.layout = HeaderLayout::CompactHeader;
  if (!ReadU8(image, cursor, &header.opaqueByte) || !ReadU32(image, cursor, &header.opaqueWord) ||
      !ReadBytes(image, cursor, header.fileHash, 16) || !ReadU32(image, cursor, &header.tagCount))
    return false;
  header.firstTag = cursor;
  return true;
}

bool ReadFull(const MetImage& image, MetHeader& header) {
  ReadCursor cursor = 1;
  header.layout = HeaderLayout::FullHeader;
  if (!ReadU32(image, cursor, &header.opaqueWord) || !ReadBytes(image, cursor, header.fileHash, 16) ||
      !ReadU16(image, cursor, &header.partCount))
    return false;
  header.partHashes = cursor;
  uint32_t hashBytes = 16u * header.partCount;
  if (!HasBytes(image, cursor, hashBytes)) return false;
  cursor += hashBytes;
  if (!ReadU32(image, cursor, &header.tagCount)) return false;
  header.firstTag = cursor;
  return true;
}

}  // namespace

std::string TruncatedMessage(const MetImage& image) {
  // Reads are in order, so the first byte missing is the one past the end.
  return Format(kMsgTruncated, image.size);
}

HeaderRead ReadMetHeader(const MetImage& image) {
  HeaderRead read;
  MetHeader header;
  ReadCursor cursor = 0;
  if (!ReadU8(image, cursor, &header.version)) {
    read.problem = TruncatedMessage(image);
    return read;
  }
  if (header.version != kVersionPlain && header.version != kVersionCompactCapable &&
      header.version != kVersionLarge) {
    read.problem = Format(kMsgInvalidVersion, header.version);
    return read;
  }
  uint32_t wordAtOne = 0;
  ReadCursor atOne = 1;
  bool compact = MayBeCompact(image, header.version) && ReadU32(image, atOne, &wordAtOne) &&
                 wordAtOne != 0;
  if (!(compact ? ReadCompact(image, header) : ReadFull(image, header))) {
    read.problem = TruncatedMessage(image);
    return read;
  }
  read.header = header;
  return read;
}

const uint8_t* PartHash(const MetImage& image, const MetHeader& header, uint32_t index) {
  return image.data() + header.partHashes + 16u * index;
}

std::optional<uint32_t> DataFileTimeStamp(const MetHeader& header) {
  if (header.layout != HeaderLayout::FullHeader) return std::nullopt;
  return header.opaqueWord;
}

std::string HeaderLines(const MetImage& image, const MetHeader& header, bool partHashes) {
  std::string lines = Format(kMsgHashId, HashText(header.fileHash).c_str());
  if (header.layout != HeaderLayout::FullHeader) return lines;
  lines += Format(kMsgHashedPartCount, header.partCount);
  if (!partHashes) return lines;
  for (uint32_t part = 0; part < header.partCount; ++part)
    lines += Format(kMsgHashIdForPart, static_cast<int>(part),
                    HashText(PartHash(image, header, part)).c_str());
  return lines;
}
