#include "rewrite/met_rewrite.h"

#include <limits>

#include "met/tag_writer.h"
#include "rewrite/rewrite_messages.h"

namespace {

// A bound past 32 bits still has to lie at or beyond the end of any file the
// format describes, so it is written as the largest 32-bit value.
uint32_t GapBound(uint64_t bound) {
  return bound > std::numeric_limits<uint32_t>::max() ? std::numeric_limits<uint32_t>::max()
                                                      : static_cast<uint32_t>(bound);
}

bool WriteGapTags(std::string& out, const GapTable& gaps, std::string* problem) {
  for (size_t index = 0; index < gaps.size(); ++index) {
    uint32_t start = GapBound(gaps[index].start);
    uint32_t end = GapBound(gaps[index].end);
    TagRecord startTag = BuildTag(TagUInt32, GapTagName(TagIdGapStart, index), &start, 4);
    TagRecord endTag = BuildTag(TagUInt32, GapTagName(TagIdGapEnd, index), &end, 4);
    if (!WriteTag(out, startTag, problem) || !WriteTag(out, endTag, problem)) return false;
  }
  return true;
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

}  // namespace

std::string GapTagName(uint8_t id, size_t index) {
  return std::string(1, char(id)) + std::to_string(index);
}

GapTable RewritableGaps(const MetFile& file) {
  GapTable gaps;
  for (const MetGap& gap : file.gaps) {
    if (gap.HasBounds()) gaps.push_back(gap);
  }
  return gaps;
}

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
  // The header in front of the tag count is copied as it is.
  const ReadCursor countAt = file.header.firstTag - 4;
  std::string& out = encoded.bytes;
  out.assign(reinterpret_cast<const char*>(image.data()), countAt);
  PutU32(out, tagCount);
  for (const MetTag& tag : file.tags) {
    if (!IsGapTag(tag.record) && !WriteTag(out, tag.record, &encoded.problem)) return encoded;
  }
  if (mode == RewriteMode::Rebuild && !WriteGapTags(out, gaps, &encoded.problem)) return encoded;
  // Bytes after the last tag (the part hashes of the old eDonkey layout) stay.
  out.append(reinterpret_cast<const char*>(image.data()) + file.tagsEnd, image.size - file.tagsEnd);
  if (!KeepsHeaderLayout(out, file.header)) encoded.problem = kMsgOtherLayout;
  return encoded;
}
