#include "met/new_met.h"

#include <algorithm>
#include <cstring>

#include "hash/md4.h"
#include "met/met_header.h"
#include "met/corrupted_parts.h"
#include "met/tag_writer.h"
#include "met/part_layout.h"
#include "met/met_messages.h"

namespace {

// Above this size a download is large: version 0xE2 and 64-bit sizes.
constexpr uint64_t kLargeDownloadAbove = 4290048000;
constexpr uint8_t kTagIdFileName = 0x01;
constexpr uint8_t kTagIdAichRoot = 0x27;

TagRecord TextTag(uint8_t id, const std::string& text) {
  return BuildTag(TagString, std::string(1, char(id)), text.c_str(),
                  static_cast<uint32_t>(text.size()));
}

TagRecord SizeTag(uint64_t size) {
  if (size > kLargeDownloadAbove) return BuildTag(TagUInt64, std::string(1, char(TagIdFileSize)), &size, 8);
  const uint32_t narrow = static_cast<uint32_t>(size);
  return BuildTag(TagUInt32, std::string(1, char(TagIdFileSize)), &narrow, 4);
}

}  // namespace

bool LinkPartHashesVouched(const Ed2kLink& link) {
  const uint64_t expected = ExpectedPartHashCount(link.size);
  if (expected == 0 || link.partHashes.size() != expected) return false;
  Md4Context context;
  Md4Init(&context);
  for (const auto& hash : link.partHashes) Md4Update(&context, hash.data(), 16);
  Md4Final(&context);
  return std::memcmp(context.digest, link.fileHash.data(), 16) == 0;
}

NewMet NewMetFile(const NewMetFields& fields) {
  NewMet met;
  std::string header;
  header += static_cast<char>(fields.size > kLargeDownloadAbove ? kVersionLarge : kVersionPlain);
  PutU32(header, fields.timeStamp);
  header.append(reinterpret_cast<const char*>(fields.fileHash.data()), 16);
  PutU16(header, static_cast<uint32_t>(fields.partHashes.size()));
  for (const auto& hash : fields.partHashes) header.append(reinterpret_cast<const char*>(hash.data()), 16);
  PutU32(header, 0);  // the write-back counts the tags
  met.image = MakeMetImage(header.data(), header.size());
  // The clients tell the layouts apart by their first bytes: it must read back as written.
  const HeaderRead read = ReadMetHeader(met.image);
  if (!read.header || read.header->layout != HeaderLayout::FullHeader) {
    met.problem = kMsgOtherLayout;
    return met;
  }
  MetFile& file = met.file;
  file.header = *read.header;
  file.tags.push_back(MetTag{TextTag(kTagIdFileName, fields.name), 0, 0});
  file.tags.push_back(MetTag{SizeTag(fields.size), 0, 0});
  if (!fields.aichRoot.empty()) file.tags.push_back(MetTag{TextTag(kTagIdAichRoot, fields.aichRoot), 0, 0});
  if (!fields.aichHashSet.empty()) {
    file.tags.push_back(MetTag{BuildTag(TagBlob, std::string(1, char(TagIdAichHashSet)), fields.aichHashSet.data(),
                                        static_cast<uint32_t>(fields.aichHashSet.size())),
                               0, 0});
    file.hasAichHashSet = true;
    file.aichHashSet = fields.aichHashSet;
  }
  if (!fields.corruptedParts.empty()) {
    file.tags.push_back(MetTag{CorruptedPartsTag(fields.corruptedParts), 0, 0});
    file.corruptedParts = FormatCorruptedParts(fields.corruptedParts);
  }
  file.gaps = fields.gaps;
  file.gapNaming = fields.gaps.empty() ? GapNaming::None : GapNaming::Indexed;
  file.fileSize = fields.size;
  file.aichRoot = fields.aichRoot;
  file.tagsEnd = met.image.size;
  return met;
}

NewMet NewLinkMet(const Ed2kLink& link, uint32_t timeStamp, bool partHashes, const GapTable& gaps) {
  NewMetFields fields;
  fields.name = link.name;
  fields.size = link.size;
  std::copy(link.fileHash.begin(), link.fileHash.end(), fields.fileHash.begin());
  if (partHashes) {
    for (const auto& hash : link.partHashes) {
      std::array<uint8_t, 16> copy{};
      std::copy(hash.begin(), hash.end(), copy.begin());
      fields.partHashes.push_back(copy);
    }
  }
  fields.timeStamp = timeStamp;
  fields.aichRoot = link.aichRoot;
  fields.gaps = gaps;
  return NewMetFile(fields);
}
