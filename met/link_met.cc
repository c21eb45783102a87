#include "met/link_met.h"

#include <cstring>

#include "hash/md4.h"
#include "met/met_header.h"
#include "met/tag_writer.h"
#include "judge/part_judgement.h"
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

LinkMet NewLinkMet(const Ed2kLink& link, uint32_t timeStamp, bool partHashes, const GapTable& gaps) {
  LinkMet met;
  std::string header;
  header += static_cast<char>(link.size > kLargeDownloadAbove ? kVersionLarge : kVersionPlain);
  PutU32(header, timeStamp);
  header.append(reinterpret_cast<const char*>(link.fileHash.data()), 16);
  const size_t count = partHashes ? link.partHashes.size() : 0;
  PutU16(header, static_cast<uint32_t>(count));
  for (size_t i = 0; i < count; ++i)
    header.append(reinterpret_cast<const char*>(link.partHashes[i].data()), 16);
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
  file.tags.push_back(MetTag{TextTag(kTagIdFileName, link.name), 0, 0});
  file.tags.push_back(MetTag{SizeTag(link.size), 0, 0});
  if (!link.aichRoot.empty()) file.tags.push_back(MetTag{TextTag(kTagIdAichRoot, link.aichRoot), 0, 0});
  file.gaps = gaps;
  file.gapNaming = gaps.empty() ? GapNaming::None : GapNaming::Indexed;
  file.fileSize = link.size;
  file.aichRoot = link.aichRoot;
  file.tagsEnd = met.image.size;
  return met;
}
