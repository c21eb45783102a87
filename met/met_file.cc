#include "met/met_file.h"

#include "met/corrupted_parts.h"
#include "met/tag_reader.h"

namespace {

// Pairs the gap tags as they come: see MetFile::gaps.
class GapPairing {
 public:
  void Start(const TagRecord& tag) {
    open_ = MetGap{};
    open_->startStored = HoldsNumber(tag);
    open_->start = open_->startStored ? tag.value : 0;
  }

  void End(const TagRecord& tag, std::vector<MetGap>& gaps) {
    MetGap gap = open_.value_or(MetGap{});
    const bool started = open_.has_value();
    open_.reset();
    gap.endStored = HoldsNumber(tag);
    gap.end = gap.endStored ? tag.value : 0;
    gap.fault = !started             ? GapFault::NoStart
                : !gap.startStored   ? GapFault::StartNotNumber
                : !gap.endStored     ? GapFault::EndNotNumber
                : gap.end == 0       ? GapFault::EndIsZero
                : gap.end < gap.start ? GapFault::EndBeforeStart
                                      : GapFault::None;
    gaps.push_back(gap);
  }

  // A start that no end followed.
  void Finish(std::vector<MetGap>& gaps) {
    if (!open_) return;
    open_->fault = open_->startStored ? GapFault::NoEnd : GapFault::StartNotNumber;
    gaps.push_back(*open_);
    open_.reset();
  }

 private:
  std::optional<MetGap> open_;
};

// The gaps of either naming, each paired on its own.
struct GapReading {
  GapPairing indexed;
  GapPairing oneByte;
  GapTable indexedGaps;
  GapTable oneByteGaps;
  uint32_t indexedTags = 0;
  uint32_t oneByteTags = 0;

  void Take(const TagRecord& tag, bool start) {
    const bool withIndex = IsIndexedGapTag(tag);
    GapPairing& pairing = withIndex ? indexed : oneByte;
    ++(withIndex ? indexedTags : oneByteTags);
    if (start)
      pairing.Start(tag);
    else
      pairing.End(tag, withIndex ? indexedGaps : oneByteGaps);
  }

  // The clients read only indexed gap tags; a file without any keeps the
  // one-byte reading, which is what wrote them.
  void Finish(MetFile& file) {
    indexed.Finish(indexedGaps);
    oneByte.Finish(oneByteGaps);
    if (indexedTags != 0) {
      file.gaps = std::move(indexedGaps);
      file.gapNaming = GapNaming::Indexed;
      file.staleGapTags = oneByteTags;
    } else {
      file.gaps = std::move(oneByteGaps);
      file.gapNaming = oneByteTags != 0 ? GapNaming::OneByte : GapNaming::None;
    }
  }
};

// Sizes and gap bounds are numbers of any width; the value slot of a text,
// a float or a bool means nothing as an offset.
void Take(const TagRecord& tag, MetFile& file, GapReading& gaps) {
  if (TagHasName(tag, TagIdGapStart)) {
    gaps.Take(tag, /*start=*/true);
  } else if (TagHasName(tag, TagIdGapEnd)) {
    gaps.Take(tag, /*start=*/false);
  } else if (TagHasName(tag, TagIdFileSize)) {
    if (HoldsNumber(tag)) file.fileSize = tag.value;
  } else if (TagHasName(tag, TagIdPartFileName) && tag.type == TagString) {
    // A number is never taken for a name.
    file.partFileNames.push_back(tag.data);
  } else if (TagHasName(tag, TagIdCorruptedParts) && tag.type == TagString) {
    file.corruptedParts = tag.data;
  } else if (TagHasName(tag, TagIdAichHash) && tag.type == TagString) {
    file.aichRoot = tag.data;
  } else if (TagHasName(tag, TagIdAichHashSet)) {
    file.hasAichHashSet = true;
    file.aichHashSet = tag.type == TagBlob ? tag.data : std::string();
  }
}

}  // namespace

bool IsGapTag(const TagRecord& tag) {
  return TagHasName(tag, TagIdGapStart) || TagHasName(tag, TagIdGapEnd);
}

bool IsIndexedGapTag(const TagRecord& tag) {
  return IsGapTag(tag) && tag.name && tag.name->size() > 1;
}

MetDecode DecodeMetFile(const MetImage& image) {
  MetDecode decode;
  HeaderRead header = ReadMetHeader(image);
  if (!header.header) {
    decode.problem = header.problem;
    return decode;
  }
  MetFile file;
  file.header = *header.header;
  GapReading gaps;
  ReadCursor cursor = file.header.firstTag;
  for (uint32_t i = 0; i < file.header.tagCount; ++i) {
    ReadCursor next = cursor;
    std::optional<TagRecord> tag = CreateTag(image, next, &file.damage);
    if (!tag) break;
    Take(*tag, file, gaps);
    file.tags.push_back(MetTag{std::move(*tag), cursor, next});
    cursor = next;
  }
  gaps.Finish(file);
  file.tagsEnd = cursor;
  decode.file = std::move(file);
  return decode;
}
