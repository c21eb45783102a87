// Header and tag decoding of arbitrary bytes. Beyond the sanitizers'
// checks, the tool's reader must agree with the independent test decoder on
// every file (up to a large download's header or tag it refuses, see
// below), and every tag it decodes must be written back by WriteTag to
// bytes that decode to the very same tag.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "fuzz/fuzz_check.h"
#include "fuzz/tag_match.h"
#include "met/met_file.h"
#include "met/tag_reader.h"
#include "met/tag_writer.h"
#include "tests/support/met_decoder.h"

namespace {

bool SameRecord(const TagRecord& a, const TagRecord& b) {
  return a.type == b.type && a.nameId == b.nameId && a.name == b.name && a.length == b.length &&
         a.value == b.value && a.data == b.data;
}

// WriteTag takes every decoded tag, and its bytes decode to the same tag
// and nothing more.
void CheckWrittenBack(const TagRecord& tag) {
  std::string bytes, problem;
  FuzzCheck(WriteTag(bytes, tag, &problem), "a decoded tag can be written back");
  MetImage written = MakeMetImage(bytes.data(), bytes.size());
  ReadCursor cursor = 0;
  std::optional<TagRecord> again = CreateTag(written, cursor, &problem);
  FuzzCheck(again && SameRecord(tag, *again), "a written tag decodes to the same tag");
  FuzzCheck(cursor == written.size, "a written tag is read to its last byte");
}

// Decodes tags one after another from the first byte, as if the whole input
// were a tag stream, until one cannot be decoded.
void DecodeRawStream(const MetImage& image) {
  ReadCursor cursor = 0;
  while (cursor < image.size) {
    ReadCursor before = cursor;
    std::string problem;
    std::optional<TagRecord> tag = CreateTag(image, cursor, &problem);
    if (!tag) return;
    FuzzCheck(cursor > before && cursor <= image.size, "a decoded tag lies inside the image");
    TagHasName(*tag, TagIdGapStart);
    TagHasName(*tag, TagIdPartFileName);
    CheckWrittenBack(*tag);
  }
}

void CheckAgainstIndependentDecoder(const MetImage& image, const std::string& bytes) {
  DecodedMet independent = DecodeMet(bytes);
  MetDecode decoded = DecodeMetFile(image);
  if (!decoded.file) {
    FuzzCheck(!independent.ok, "a header the tool refuses is damaged");
    return;
  }
  const MetHeader* header = &decoded.file->header;
  FuzzCheck(independent.head.size() + 4 == header->firstTag,
            "both decoders find the tags at the same offset");
  FuzzCheck(independent.tagCount == header->tagCount, "both decoders read the same tag count");
  if (header->layout == HeaderLayout::FullHeader && header->partCount > 0)
    FuzzCheck(PartHash(image, *header, header->partCount - 1) + 16 <= image.data() + image.size,
              "the part hashes lie inside the image");
  const std::vector<MetTag>& tags = decoded.file->tags;
  FuzzCheck(decoded.file->damage.empty() == independent.ok,
            "both decoders find the same files damaged");
  FuzzCheck(tags.size() == independent.tags.size(), "both decoders read as many tags");
  for (size_t i = 0; i < tags.size(); ++i) {
    FuzzCheck(RecordMatches(tags[i].record, independent.tags[i]), "both decoders read the same tag");
    FuzzCheck(tags[i].offset < tags[i].end && tags[i].end <= image.size &&
                  (i == 0 ? tags[i].offset == header->firstTag : tags[i].offset == tags[i - 1].end),
              "each tag's bytes follow the one before it");
    CheckWrittenBack(tags[i].record);
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size > (1u << 20)) return 0;
  const std::string bytes(reinterpret_cast<const char*>(data), size);
  MetImage image = MakeMetImage(data, size);
  CheckAgainstIndependentDecoder(image, bytes);
  DecodeRawStream(image);
  return 0;
}
