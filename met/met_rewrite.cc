#include "met/met_rewrite.h"

#include <algorithm>
#include <limits>

#include "met/corrupted_parts.h"
#include "met/tag_writer.h"
#include "met/tag_reader.h"
#include "met/met_messages.h"

namespace {

// Above this size a download is large: the clients then write its size and
// every gap bound as 64-bit tags.
constexpr uint64_t kLargeDownloadAbove = 4290048000;

// A gap bound's tag, written as the clients write it: 64-bit in a large
// download, and wherever the bound does not fit 32 bits, which are never
// cut; 32-bit otherwise.
TagRecord GapBoundTag(uint8_t id, size_t index, uint64_t bound, bool large) {
  if (large || bound > 0xFFFFFFFFu) return BuildTag(TagUInt64, GapTagName(id, index), &bound, 8);
  const uint32_t narrow = static_cast<uint32_t>(bound);
  return BuildTag(TagUInt32, GapTagName(id, index), &narrow, 4);
}

// True when the new file holds a 64-bit tag: a client then writes the
// version of a large download, whatever the size.
bool HoldsWideTags(const MetFile& file, RewriteMode mode, const GapTable& gaps) {
  for (const MetTag& tag : file.tags) {
    if (!IsGapTag(tag.record) && tag.record.type == TagUInt64) return true;
  }
  if (mode != RewriteMode::Rebuild || gaps.empty()) return false;
  if (file.fileSize > kLargeDownloadAbove) return true;
  for (const MetGap& gap : gaps) {
    if (gap.start > 0xFFFFFFFFu || gap.end > 0xFFFFFFFFu) return true;
  }
  return false;
}

// True when the new file's header reads as the old one did. A compact 0xE0
// header is told by the first tag's first two bytes (the probe 00 00 02 01
// spans the tag count and them), so dropping a first tag that is a gap tag
// could make the new file read as another layout, that is, as garbage.
bool KeepsHeaderLayout(const std::string& content, const MetHeader& old) {
  MetImage image = MakeMetImage(content.data(), content.size());
  HeaderRead read = ReadMetHeader(image);
  return read.header && read.header->layout == old.layout && read.header->firstTag == old.firstTag;
}

// The header in front of the tag count, field by field: as the file had it,
// but for what the caller changed (the time stamp of a FullHeader).
void WriteHeader(std::string& out, const MetImage& image, const MetHeader& header) {
  out += static_cast<char>(header.version);
  if (header.layout == HeaderLayout::CompactHeader) out += static_cast<char>(header.opaqueByte);
  PutU32(out, header.opaqueWord);
  out.append(reinterpret_cast<const char*>(header.fileHash), 16);
  if (header.layout == HeaderLayout::CompactHeader) return;
  PutU16(out, header.partCount);
  out.append(reinterpret_cast<const char*>(image.data()) + header.partHashes, 16u * header.partCount);
}

}  // namespace

bool WriteGapTags(std::string& out, const GapTable& gaps, uint64_t fileSize,
                  std::string* problem) {
  const bool large = fileSize > kLargeDownloadAbove;
  for (size_t index = 0; index < gaps.size(); ++index) {
    if (!WriteTag(out, GapBoundTag(TagIdGapStart, index, gaps[index].start, large), problem) ||
        !WriteTag(out, GapBoundTag(TagIdGapEnd, index, gaps[index].end, large), problem))
      return false;
  }
  return true;
}

std::string GapTagName(uint8_t id, size_t index) {
  return std::string(1, char(id)) + std::to_string(index);
}

void SetCorruptedParts(MetFile& file, const std::vector<uint32_t>& parts) {
  std::vector<MetTag> tags;
  bool placed = parts.empty();
  for (MetTag& tag : file.tags) {
    if (!TagHasName(tag.record, TagIdCorruptedParts)) {
      tags.push_back(std::move(tag));
    } else if (!placed) {
      tag.record = CorruptedPartsTag(parts);
      tags.push_back(std::move(tag));
      placed = true;
    }
  }
  if (!placed) tags.push_back(MetTag{CorruptedPartsTag(parts), 0, 0});
  file.tags = std::move(tags);
  file.corruptedParts = FormatCorruptedParts(parts);
}

GapTable StoredGaps(const MetFile& file) {
  GapTable gaps;
  for (const MetGap& gap : file.gaps) {
    if (gap.HasBounds()) gaps.push_back(gap);
  }
  return gaps;
}

GapTable ClipToSize(const GapTable& gaps, uint64_t size) {
  if (size == 0) return gaps;
  GapTable clipped;
  for (MetGap gap : gaps) {
    if (gap.start > gap.end) {
      clipped.push_back(gap);
      continue;
    }
    if (gap.start >= size) continue;
    gap.end = std::min(gap.end, size);
    clipped.push_back(gap);
  }
  return clipped;
}

bool GapTagsToRewrite(const MetFile& file) {
  return file.staleGapTags != 0 || (file.gapNaming == GapNaming::OneByte && !file.gaps.empty());
}

GapTable RewritableGaps(const MetFile& file) { return ClipToSize(StoredGaps(file), file.fileSize); }

std::optional<uint32_t> NewTagCount(const MetFile& file, RewriteMode mode, const GapTable& gaps) {
  uint64_t kept = 0;
  for (const MetTag& tag : file.tags) {
    if (!IsGapTag(tag.record)) ++kept;
  }
  const uint64_t count = kept + (mode == RewriteMode::Rebuild ? 2ull * gaps.size() : 0);
  if (count > std::numeric_limits<uint32_t>::max()) return std::nullopt;
  return static_cast<uint32_t>(count);
}

EncodedMet EncodeMetFile(const MetImage& image, const MetFile& file, RewriteMode mode,
                         uint32_t tagCount, const GapTable& gaps) {
  EncodedMet encoded;
  std::string& out = encoded.bytes;
  WriteHeader(out, image, file.header);
  PutU32(out, tagCount);
  for (const MetTag& tag : file.tags) {
    if (!IsGapTag(tag.record) && !WriteTag(out, tag.record, &encoded.problem)) return encoded;
  }
  if (mode == RewriteMode::Rebuild && !WriteGapTags(out, gaps, file.fileSize, &encoded.problem))
    return encoded;
  // The full header of 0xE0 is the header of 0xE2 too; a compact one is not.
  if (file.header.version == kVersionPlain && file.header.layout == HeaderLayout::FullHeader &&
      HoldsWideTags(file, mode, gaps))
    out[0] = static_cast<char>(kVersionLarge);
  // Bytes after the last tag (the part hashes of the old eDonkey layout) stay.
  out.append(reinterpret_cast<const char*>(image.data()) + file.tagsEnd, image.size - file.tagsEnd);
  if (!KeepsHeaderLayout(out, file.header)) encoded.problem = kMsgOtherLayout;
  return encoded;
}
