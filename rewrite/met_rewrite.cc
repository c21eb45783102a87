#include "rewrite/met_rewrite.h"

#include <limits>

#include "met/tag_reader.h"
#include "met/tag_writer.h"
#include "platform/console.h"
#include "rewrite/gap_bar.h"

namespace {

bool IsGapTag(const TagRecord& tag) {
  return TagHasName(tag, TagIdGapStart) || TagHasName(tag, TagIdGapEnd);
}

void PrintHash(Console& console, const uint8_t* hash) {
  std::string hex;
  for (int i = 0; i < 16; ++i) hex += Format("%.2x", hash[i]);
  console.Write(hex + "\n");
}

void PrintHeader(const MetImage& image, const MetHeader& header, Console& console) {
  console.Write("Hash Id: ");
  PrintHash(console, header.fileHash);
  if (header.layout != HeaderLayout::FullHeader) return;
  Print(console, "Hashed Part Count: %d\n", header.partCount);
  for (uint32_t part = 0; part < header.partCount; ++part) {
    Print(console, "Hash Id for Part %d: ", part);
    PrintHash(console, PartHash(image, header, part));
  }
}

// Pass 1: gaps, file size, part-file names and the count of kept tags. Gap
// tags pair by order; an end with no start since the previous end, and a
// start that no end follows, make no gap.
bool CollectTags(const MetImage& image, RewriteState& state, Console& console) {
  std::optional<uint64_t> pendingStart;
  TagPassEnd end = ReadTagStream(image, state.header, console, [&](const TagRecord& tag) {
    const bool number = tag.type == TagUInt32;
    if (TagHasName(tag, TagIdGapStart)) {
      if (number) pendingStart = tag.value;
    } else if (TagHasName(tag, TagIdGapEnd)) {
      if (number && pendingStart) state.gaps.push_back(GapEntry{*pendingStart, tag.value});
      pendingStart.reset();
    } else {
      ++state.keptTags;
      if (TagHasName(tag, TagIdFileSize) && number) state.fileSize = tag.value;
      if (TagHasName(tag, TagIdPartFileName) && tag.type == TagString)
        state.partFileNames.push_back(tag.data);
    }
  });
  state.tagsEnd = end.cursor;
  return end.complete;
}

// A bound past 32 bits still has to lie at or beyond the end of any file the
// format describes, so it is written as the largest 32-bit value.
uint32_t GapBound(uint64_t bound) {
  return bound > std::numeric_limits<uint32_t>::max() ? std::numeric_limits<uint32_t>::max()
                                                      : static_cast<uint32_t>(bound);
}

bool WriteGapTags(std::string& out, const GapTable& gaps, Console& console) {
  for (size_t index = 0; index < gaps.size(); ++index) {
    uint32_t start = GapBound(gaps[index].start);
    uint32_t end = GapBound(gaps[index].end);
    TagRecord startTag = BuildTag(TagUInt32, GapTagName(TagIdGapStart, index), &start, 4);
    TagRecord endTag = BuildTag(TagUInt32, GapTagName(TagIdGapEnd, index), &end, 4);
    if (!WriteTag(out, startTag, console) || !WriteTag(out, endTag, console)) return false;
  }
  return true;
}

void PutU32(std::string& out, uint32_t v) {
  for (int i = 0; i < 4; ++i) out += char(v >> (8 * i) & 0xFF);
}

// True when the new file's header reads as the old one did. A compact 0xE0
// header is told by the first tag's first two bytes (the probe 00 00 02 01
// spans the tag count and them), so dropping a first tag that is a gap tag
// could make the new file read as another layout, that is, as garbage.
bool KeepsHeaderLayout(const std::string& content, const MetHeader& old) {
  MetImage image = MakeMetImage(content.data(), content.size());
  SilentConsole silent;
  std::optional<MetHeader> header = ReadMetHeader(image, silent);
  return header && header->layout == old.layout && header->firstTag == old.firstTag;
}

}  // namespace

std::string GapTagName(uint8_t id, size_t index) {
  return std::string(1, char(id)) + std::to_string(index);
}

std::optional<std::string> RewriteMetFile(const MetImage& image, RewriteMode mode,
                                          const PartCheck& check, Console& console) {
  RewriteState state;
  std::optional<MetHeader> header = ReadMetHeader(image, console);
  if (!header) return std::nullopt;
  state.header = *header;
  PrintHeader(image, state.header, console);
  if (!CollectTags(image, state, console)) return std::nullopt;
  if (check && !check(image, state)) return std::nullopt;

  const uint64_t gapTags = mode == RewriteMode::Rebuild ? 2ull * state.gaps.size() : 0;
  const uint64_t tagCount = state.keptTags + gapTags;
  if (tagCount > std::numeric_limits<uint32_t>::max()) {
    Print(console, "Error: too many tags for one file\n");
    return std::nullopt;
  }
  Print(console, "Tag Count : %u\n", static_cast<unsigned>(tagCount));

  // The header in front of the tag count is copied as it is.
  const ReadCursor countAt = state.header.firstTag - 4;
  std::string out(reinterpret_cast<const char*>(image.data()), countAt);
  PutU32(out, static_cast<uint32_t>(tagCount));
  bool written = true;
  ReadTagStream(image, state.header, console, [&](const TagRecord& tag) {
    if (written && !IsGapTag(tag)) written = WriteTag(out, tag, console);
  });
  if (!written) return std::nullopt;
  if (mode == RewriteMode::Rebuild && !WriteGapTags(out, state.gaps, console)) return std::nullopt;
  // Bytes after the last tag (the part hashes of the old eDonkey layout) stay.
  out.append(reinterpret_cast<const char*>(image.data()) + state.tagsEnd,
             image.size - state.tagsEnd);
  if (!KeepsHeaderLayout(out, state.header)) {
    Print(console, "Error: the new file would be read with another header layout\n");
    return std::nullopt;
  }
  GapBar(state.gaps, state.fileSize, console);
  return out;
}
