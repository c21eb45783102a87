// The decoding that picks the metadata files a recovery may restore, on
// arbitrary bytes. A file it calls sound must be one the clients read whole
// (the independent decoder agrees, with the same size), and once rewritten
// as a recovery writes it, it must still be sound with the same gaps.
#include <cstddef>
#include <cstdint>
#include <string>

#include "fuzz/fuzz_check.h"
#include "fuzz/tag_match.h"
#include "met/met_soundness.h"
#include "met/met_rewrite.h"
#include "tests/support/met_decoder.h"

namespace {

// The size as the clients read it: the last integer tag named 0x02, names
// ending at their first NUL byte as the clients read them.
uint64_t ClientSize(const DecodedMet& met) {
  uint64_t size = 0;
  for (const DecodedTag& tag : met.tags) {
    if (IsIntegerTagType(tag.type) && ReadableName(tag) == "\x02") size = tag.number;
  }
  return size;
}

void CheckRewritten(const MetImage& image, const MetFile& file) {
  const GapTable gaps = RewritableGaps(file);
  // Every gap of a sound file but those wholly past its size, which are no
  // gaps to the clients either.
  size_t inside = 0;
  for (const MetGap& gap : file.gaps) inside += !file.fileSize || gap.start < file.fileSize || gap.start > gap.end;
  FuzzCheck(gaps.size() == inside, "every gap of a sound file is written back");
  const std::optional<uint32_t> count = NewTagCount(file, RewriteMode::Rebuild, gaps);
  if (!count) return;
  const EncodedMet encoded = EncodeMetFile(image, file, RewriteMode::Rebuild, *count, gaps);
  if (!encoded.problem.empty()) return;
  const MetSoundness again =
      CheckMetSoundness(MakeMetImage(encoded.bytes.data(), encoded.bytes.size()));
  FuzzCheck(again.file.has_value(), "a sound file rewritten is sound");
  FuzzCheck(again.file->fileSize == file.fileSize, "it keeps its size");
  FuzzCheck(again.file->gaps.size() == gaps.size(), "it keeps its gaps");
  for (size_t i = 0; i < gaps.size(); ++i)
    FuzzCheck(again.file->gaps[i].start == gaps[i].start && again.file->gaps[i].end == gaps[i].end,
              "it keeps each gap's bounds, cut to its size");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size > (1u << 20)) return 0;
  const std::string bytes(reinterpret_cast<const char*>(data), size);
  const MetImage image = MakeMetImage(data, size);
  const MetSoundness sound = CheckMetSoundness(image);
  FuzzCheck(sound.file.has_value() == sound.fault.empty(), "a file is sound or has a fault");
  if (!sound.file) return 0;
  FuzzCheck(sound.file->damage.empty() && sound.file->fileSize > 0, "a sound file is whole");
  for (const MetGap& gap : sound.file->gaps) FuzzCheck(gap.IsValid(), "its gaps are ranges");
  const DecodedMet independent = DecodeMet(bytes);
  FuzzCheck(independent.ok, "the independent decoder reads a sound file whole");
  FuzzCheck(ClientSize(independent) == sound.file->fileSize,
            "both read the same size");
  CheckRewritten(image, *sound.file);
  return 0;
}
