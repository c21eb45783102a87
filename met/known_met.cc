#include "met/known_met.h"

#include <cstring>

#include "hash/aich_hash_set.h"
#include "hash/md4.h"
#include "met/client_text.h"
#include "met/met_header.h"
#include "met/tag_reader.h"
#include "platform/console.h"
#include "met/part_layout.h"

namespace {

constexpr uint8_t kTagIdFileName = 0x01;

// The clients write the name tag twice. aMule: first the name in UTF-8, then
// the file system's bytes in its universal form, which it prefers where they
// make a UTF-8 name. eMule: first the name in UTF-8 behind a byte-order mark
// (only where the name needs more than ANSI), then the ANSI name; it takes
// the first. So a name behind a mark stands, and a later tag replaces an
// unmarked name where its universal form decodes.
struct NamePick {
  std::string name;
  bool taken = false;
  bool marked = false;

  void Take(const std::string& stored) {
    bool hasMark = false;
    const std::string text = WithoutUtf8Mark(stored, &hasMark);
    if (!taken) {
      name = IsUtf8(text) ? text : Latin1ToUtf8(text);
      taken = true;
      marked = hasMark;
      return;
    }
    if (marked) return;
    std::optional<std::string> bytes = FromUniversalForm(text);
    if (bytes && !bytes->empty() && IsUtf8(*bytes)) name = *bytes;
  }
};

std::string Label(const KnownFile& file) {
  std::string label = Format("record %u", file.record);
  if (!file.name.empty()) label += " ('" + file.name + "')";
  return label;
}

void Take(TagRecord tag, KnownFile& file, NamePick& name) {
  if (TagHasName(tag, kTagIdFileName) && tag.type == TagString) {
    name.Take(tag.data);
    file.name = name.name;
  } else if (TagHasName(tag, TagIdFileSize) && HoldsNumber(tag)) {
    file.size = tag.value;
  } else if (TagHasName(tag, TagIdAichHash) && tag.type == TagString) {
    file.aichRootText = tag.data;
    AichHash root;
    file.aichRoot.reset();
    if (AichHashFromBase32(tag.data, &root)) file.aichRoot = root;
  } else {
    file.tags.push_back(std::move(tag));
  }
}

// Reads the record's tags; false with the line that says where they broke off.
bool ReadTags(const MetImage& image, ReadCursor& cursor, KnownFile& file, std::string* damage) {
  uint32_t count;
  if (!ReadU32(image, cursor, &count)) {
    *damage = Format("%s: the file ends inside it, at offset %u", Label(file).c_str(), image.size);
    return false;
  }
  NamePick name;
  for (uint32_t i = 0; i < count; ++i) {
    const ReadCursor at = cursor;
    std::string problem;
    std::optional<TagRecord> tag = CreateTag(image, cursor, &problem);
    if (!tag) {
      const bool cut = problem == TruncatedMessage(image);
      *damage = Format(cut ? "%s: its tags break off after %u of %u, at offset %u"
                           : "%s: its tag %u of %u, at offset %u, has a type no client writes",
                       Label(file).c_str(), cut ? i : i + 1, count, cut ? image.size : at);
      return false;
    }
    Take(std::move(*tag), file, name);
  }
  return true;
}

// Reads one record; false with the line that says where it broke off.
bool ReadRecord(const MetImage& image, ReadCursor& cursor, KnownFile& file, std::string* damage) {
  uint16_t parts;
  if (!ReadU32(image, cursor, &file.modificationTime) ||
      !ReadBytes(image, cursor, file.fileHash.data(), 16) || !ReadU16(image, cursor, &parts)) {
    *damage = Format("%s: the file ends inside it, at offset %u", Label(file).c_str(), image.size);
    return false;
  }
  if (!HasBytes(image, cursor, 16ull * parts)) {
    *damage = Format("%s: its %u part hashes run past the end of the file", Label(file).c_str(),
                     unsigned(parts));
    return false;
  }
  file.partHashes.resize(parts);
  for (Md4Hash& hash : file.partHashes) ReadBytes(image, cursor, hash.data(), 16);
  return ReadTags(image, cursor, file, damage);
}

bool HashesToFileHash(const KnownFile& file) {
  Md4Context context;
  Md4Init(&context);
  for (const Md4Hash& hash : file.partHashes) Md4Update(&context, hash.data(), 16);
  Md4Final(&context);
  return std::memcmp(context.digest, file.fileHash.data(), 16) == 0;
}

// What is wrong with a record that reads whole.
void Judge(KnownFile& file) {
  const std::string label = Label(file);
  auto say = [&](const std::string& what) { file.problems.push_back(label + ": " + what); };
  if (file.name.empty()) {
    say("it gives no name");
  } else if (file.name == "." || file.name == "..") {
    say("its name names no file");
  } else if (file.name.find_first_of("/\\") != std::string::npos) {
    say("its name holds a path separator");
  }
  if (!file.size) {
    say("it gives no size");
  } else if (ExpectedPartHashCount(*file.size) != file.partHashes.size()) {
    say(Format("it holds %u part hashes where its size of %llu bytes calls for %u",
               unsigned(file.partHashes.size()), static_cast<unsigned long long>(*file.size),
               unsigned(ExpectedPartHashCount(*file.size))));
  }
  if (!file.partHashes.empty() && !HashesToFileHash(file))
    say("its part hashes do not hash to its file hash");
}

}  // namespace

KnownMet DecodeKnownMet(const MetImage& image) {
  KnownMet known;
  ReadCursor cursor = 0;
  if (!ReadU8(image, cursor, &known.version) || !ReadU32(image, cursor, &known.recordCount)) {
    known.problem = image.size == 0 ? "it is empty" : "it ends inside its header";
    return known;
  }
  if (known.version != kKnownMetVersion && known.version != kKnownMetVersionLarge) {
    known.problem = Format("its version byte 0x%02x is none the clients write", known.version);
    return known;
  }
  // Never sized by the count: a record takes at least 26 bytes, and the
  // loop stops where the bytes do.
  for (uint32_t index = 0; index < known.recordCount; ++index) {
    if (cursor == image.size) {
      known.damage = Format("it announces %u records but holds %u", known.recordCount, index);
      break;
    }
    KnownFile file;
    file.record = index + 1;
    if (!ReadRecord(image, cursor, file, &known.damage)) break;
    Judge(file);
    known.files.push_back(std::move(file));
  }
  if (known.damage.empty() && cursor < image.size)
    known.damage = Format("%u bytes follow its last record, at offset %u", image.size - cursor, cursor);
  return known;
}
