#include "met/met_soundness.h"

#include "met/tag_reader.h"
#include "platform/console.h"

namespace {

// True when the bytes behind the last tag decode as one more tag: the count
// in the header is then short of the tags the file holds.
bool AnotherTagFollows(const MetImage& image, ReadCursor end) {
  if (end >= image.size) return false;
  ReadCursor cursor = end;
  std::string problem;
  return CreateTag(image, cursor, &problem).has_value();
}

std::string FirstBadGap(const GapTable& gaps) {
  for (size_t index = 0; index < gaps.size(); ++index) {
    if (!gaps[index].IsValid())
      return Format("gap %u is not a range", static_cast<unsigned>(index));
  }
  return "";
}

}  // namespace

MetSoundness CheckMetSoundness(const MetImage& image) {
  MetSoundness sound;
  if (image.size == 0) {
    sound.fault = "it is empty";
    return sound;
  }
  MetDecode decoded = DecodeMetFile(image);
  if (!decoded.file) {
    sound.fault = "its header cannot be read";
    return sound;
  }
  const MetFile& file = *decoded.file;
  if (!file.damage.empty()) {
    sound.fault = Format("its tags break off after %u of %u", static_cast<unsigned>(file.tags.size()),
                         file.header.tagCount);
  } else if (AnotherTagFollows(image, file.tagsEnd)) {
    sound.fault = "more tags follow than its tag count says";
  } else if (file.fileSize == 0) {
    sound.fault = "it gives no size";
  } else {
    sound.fault = FirstBadGap(file.gaps);
  }
  if (sound.fault.empty()) sound.file = std::move(decoded.file);
  return sound;
}
