// The ed2k link reader on arbitrary text, and the metadata file built from
// what it reads. A link it takes names a download the clients can hold, and
// the file made from it must be one that a recovery would take back: sound,
// with the link's size, hash and name.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <optional>
#include <string>

#include "fuzz/fuzz_check.h"
#include "met/ed2k_link.h"
#include "met/met_soundness.h"
#include "met/new_met.h"
#include "met/met_rewrite.h"
#include "tests/support/met_decoder.h"

namespace {

bool IsBase32(const std::string& text) {
  for (char c : text) {
    if (!((c >= 'A' && c <= 'Z') || (c >= '2' && c <= '7'))) return false;
  }
  return true;
}

void CheckLink(const Ed2kLink& link) {
  FuzzCheck(link.size >= 1 && link.size <= kMaxDownloadSize, "a link's size is a download's");
  FuzzCheck(!link.name.empty() && link.name.find('\0') == std::string::npos,
            "a link names its file");
  FuzzCheck(link.partHashesGiven || link.partHashes.empty(), "part hashes come from p= alone");
  FuzzCheck(link.aichRoot.empty() || (link.aichRoot.size() == 32 && IsBase32(link.aichRoot)),
            "an AICH root is 32 base32 letters");
}

// The file built from the link, with one gap over its second half.
void CheckBuilt(const Ed2kLink& link, uint32_t stamp) {
  MetGap gap;
  gap.start = link.size / 2;
  gap.end = link.size;
  gap.startStored = gap.endStored = true;
  const NewMet met = NewLinkMet(link, stamp, LinkPartHashesVouched(link), {gap});
  FuzzCheck(met.problem.empty(), "a link's header always reads back as written");
  const std::optional<uint32_t> count = NewTagCount(met.file, RewriteMode::Rebuild, met.file.gaps);
  FuzzCheck(count.has_value(), "a link's file has few tags");
  const EncodedMet encoded = EncodeMetFile(met.image, met.file, RewriteMode::Rebuild, *count, met.file.gaps);
  if (!encoded.problem.empty()) {
    FuzzCheck(link.name.size() > 0xFFFF, "only a name too long for a tag is refused");
    return;
  }
  const std::string& bytes = encoded.bytes;
  const MetSoundness sound = CheckMetSoundness(MakeMetImage(bytes.data(), bytes.size()));
  FuzzCheck(sound.file.has_value(), "a file built from a link is sound");
  FuzzCheck(sound.file->fileSize == link.size, "it has the link's size");
  FuzzCheck(std::memcmp(sound.file->header.fileHash, link.fileHash.data(), 16) == 0,
            "it has the link's file hash");
  const DecodedMet independent = DecodeMet(bytes);
  FuzzCheck(independent.ok && independent.tags.size() >= 2 &&
                independent.tags[0].text == link.name.substr(0, independent.tags[0].text.size()),
            "the independent decoder reads it and its name");
  FuzzCheck(ClientGaps(independent).size() == 1 &&
                ClientGaps(independent)[0] == std::make_pair(gap.start, gap.end),
            "the clients read its gap");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size > 65536) return 0;
  const std::string text(reinterpret_cast<const char*>(data), size);
  const Ed2kLinkRead read = ReadEd2kLink(text);
  FuzzCheck(read.link.has_value() != !read.problem.empty(), "a link is read or refused, not both");
  if (!read.link) return 0;
  CheckLink(*read.link);
  CheckBuilt(*read.link, static_cast<uint32_t>(size * 2654435761u));
  return 0;
}
