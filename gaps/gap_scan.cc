#include "gaps/gap_scan.h"

#include "gaps/part_file_path.h"
#include "met/met_header.h"
#include "met/tag_reader.h"
#include "platform/byte_size.h"
#include "platform/console.h"

namespace {

void PrintHeader(const MetHeader& header, Console& console) {
  std::string hash;
  for (uint8_t byte : header.fileHash) hash += Format("%.2x", byte);
  Print(console, "Hash Id: %s\n", hash.c_str());
  if (header.layout == HeaderLayout::FullHeader)
    Print(console, "Hashed Part Count: %d\n", header.partCount);
  // Unsigned: a damaged file may claim more than 2^31 tags.
  Print(console, "Tag Count : %u\n", header.tagCount);
}

// Sizes and gap bounds are numbers; the value slot of a text, a float or a
// bool means nothing as an offset.
bool HoldsNumber(const TagRecord& tag) { return tag.type == TagUInt32; }

// What the first pass over the tags learns.
struct TagSurvey {
  uint32_t gapCount = 0;
  uint32_t fileSize = 0;
  std::string partPath;
};

TagSurvey SurveyTags(const MetImage& image, const MetHeader& header, const std::string& metPath,
                     std::string partPath, Console& console) {
  TagSurvey survey;
  survey.partPath = std::move(partPath);
  ReadTagStream(image, header, console, [&](const TagRecord& tag) {
    if (TagHasName(tag, TagIdGapStart)) {
      ++survey.gapCount;
    } else if (TagHasName(tag, TagIdFileSize)) {
      if (HoldsNumber(tag)) survey.fileSize = tag.value;
    } else if (IsPartFileNameTag(tag)) {
      ApplyPartFileName(metPath, tag.data, &survey.partPath, console);
    }
  });
  return survey;
}

// Pairs the gap tags by order: entry k takes the k-th end tag and the last
// start tag read since the end tag before it. Tags beyond the table's end
// (more ends than starts) are left out.
ListedGaps FillGapTable(const MetImage& image, const MetHeader& header, uint32_t gapCount,
                      Console& console, bool* complete) {
  ListedGaps gaps(gapCount);
  size_t current = 0;
  *complete = ReadTagStream(image, header, console, [&](const TagRecord& tag) {
    if (current == gaps.size()) return;
    ListedGap& entry = gaps[current];
    if (TagHasName(tag, TagIdGapStart)) {
      entry.started = HoldsNumber(tag);
      entry.start = entry.started ? tag.value : 0;
    } else if (TagHasName(tag, TagIdGapEnd)) {
      entry.ended = HoldsNumber(tag);
      entry.end = entry.ended ? static_cast<uint32_t>(tag.value - 1u) : 0;
      entry.endWasZero = entry.ended && tag.value == 0;
      ++current;
    }
  }).complete;
  return gaps;
}

}  // namespace

std::optional<GapScan> ScanGaps(const MetImage& image, const std::string& metPath,
                                std::string partPath, Disk& disk, Console& console) {
  std::optional<MetHeader> header = ReadMetHeader(image, console);
  if (!header) return std::nullopt;
  PrintHeader(*header, console);

  TagSurvey survey = SurveyTags(image, *header, metPath, std::move(partPath), console);
  Print(console, "Gap Count: %u (File Size: %s)\n", survey.gapCount,
        FormatByteSize(survey.fileSize).c_str());

  GapScan scan;
  scan.gaps = FillGapTable(image, *header, survey.gapCount, console, &scan.tagsComplete);
  scan.partPath = std::move(survey.partPath);
  if (scan.partPath.empty()) {
    console.Write(NoDataFileMessage(metPath));
    return std::nullopt;
  }
  Print(console, "Gaps in '%s':\n", scan.partPath.c_str());
  OpenResult opened = disk.OpenExclusive(scan.partPath);
  if (opened.refusal != OpenRefusal::None) {
    console.Write(RefusalMessage(scan.partPath, opened.refusal));
    return std::nullopt;
  }
  if (opened.error) {
    Print(console, "Can't open part file '%s' (Error %d)\n", scan.partPath.c_str(), opened.error);
    return std::nullopt;
  }
  if (std::optional<std::string> refusal =
          RefuseMetadataFile(metPath, scan.partPath, opened.finalPath, opened.file, disk)) {
    console.Write(*refusal);
    return std::nullopt;
  }
  scan.partFile = std::move(opened.file);
  return scan;
}
