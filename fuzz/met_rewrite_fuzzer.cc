// The rewrite of "/complete" and "/rebuild" in memory. Whenever the input
// decodes without damage, the new file must decode without damage (to the
// independent decoder and to the tool's own reader), with the same header,
// the old file's other tags in order with equal values, the gaps as fresh
// tags, the old bytes after the tags, and a tag count that is the number of
// tags it holds. Whenever the input is damaged, nothing may be written. A
// rebuild judges parts only by part hashes the file hash vouches for (or a
// one-part download by its file hash; the AICH set of eMule is not fuzzed),
// judges each part as the clients do,
// never loses a gap but where a part was found complete, leaves no corrupt
// part outside a gap and no complete one inside, ends every gap it makes at
// the download's size, lists in the corrupted-parts tag exactly the parts
// found corrupt and those listed before that are still not sound, and
// writes nothing when nothing changes.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <sstream>
#include <string>
#include <vector>

#include "download/data_file.h"
#include "judge/judged_download.h"
#include "app/run_flow.h"
#include "fuzz/fuzz_check.h"
#include "fuzz/fuzz_download.h"
#include "fuzz/tag_match.h"
#include "hash/hash_routines.h"
#include "hash/md4.h"
#include "met/met_file.h"
#include "met/tag_reader.h"
#include "met/met_rewrite.h"
#include "judge/part_check.h"
#include "judge/part_judgement.h"
#include "tests/support/memory_disk.h"
#include "tests/support/met_decoder.h"
#include "tests/support/string_console.h"

namespace {

// The old file as the tool's reader sees it.
struct OldFile {
  std::optional<MetHeader> header;
  std::vector<TagRecord> tags;
  uint64_t fileSize = 0;
  bool damaged = true;
};

OldFile ReadOld(const MetImage& image) {
  OldFile old;
  MetDecode decoded = DecodeMetFile(image);
  if (!decoded.file) return old;
  old.header = decoded.file->header;
  for (const MetTag& tag : decoded.file->tags) old.tags.push_back(tag.record);
  old.damaged = !decoded.file->damage.empty();
  old.fileSize = decoded.file->fileSize;
  return old;
}

// Gaps the old file surely holds: an end tag and the start tag just before
// it since the previous end, both numbers, in order.
GapTable SureGaps(const OldFile& old) {
  // As the clients read them: the indexed tags where there are any, else
  // the one-byte ones; and no byte past the size.
  auto indexed = [](const TagRecord& tag) { return tag.name && tag.name->size() > 1; };
  bool anyIndexed = false;
  for (const TagRecord& tag : old.tags)
    anyIndexed |= (TagHasName(tag, TagIdGapStart) || TagHasName(tag, TagIdGapEnd)) && indexed(tag);
  GapTable gaps;
  std::optional<uint32_t> start;
  for (const TagRecord& tag : old.tags) {
    const bool read = indexed(tag) == anyIndexed;
    if (TagHasName(tag, TagIdGapStart) && read) {
      start.reset();
      if (tag.type == TagUInt32) start = tag.value;
    } else if (TagHasName(tag, TagIdGapEnd) && read) {
      if (start && tag.type == TagUInt32 && *start <= tag.value) {
        const uint64_t end = old.fileSize ? std::min<uint64_t>(tag.value, old.fileSize) : tag.value;
        if (*start < end || !old.fileSize) gaps.push_back({*start, end});
      }
      start.reset();
    }
  }
  return gaps;
}

// A rewrite made of the tool's own steps, as a run makes it: the new
// file's bytes, or nothing where the run writes nothing, and the status the
// run ends with. `before` and `after` are the gaps before and after the part
// check, `judged` what the check found, `unchanged` that the check changed
// nothing, `corrupted` the corrupted-parts list it leaves.
struct InMemory {
  std::optional<std::string> written;
  int status = 1;
  GapTable before, after;
  JudgedDownload judged;
  bool unchanged = false;
  std::vector<uint32_t> corrupted;
  bool aichJudges = false;
};

InMemory RewriteInMemory(const MetImage& image, RewriteMode mode, MemoryDisk& disk) {
  InMemory result;
  MetDecode decoded = DecodeMetFile(image);
  if (!decoded.file || !decoded.file->damage.empty()) return result;
  MetFile file = std::move(*decoded.file);
  GapTable gaps = RewritableGaps(file);
  result.before = gaps;
  if (mode == RewriteMode::Rebuild) {
    // The data file is found as a run finds it, the part-file-name tag included.
    std::string notes;
    const std::string partPath = FindDataFile(kFuzzMetPath, file.partFileNames, disk, &notes);
    StringConsole console;
    result.aichJudges = JudgeAichHashes(file).Judges();
    result.judged =
        JudgeDownload(image, file, gaps, kFuzzMetPath, partPath, /*shared=*/false, disk, console);
    if (result.judged.state == JudgedState::NotJudged)
      result.status = result.judged.trust == HashTrust::NoneYet ? 0 : 1;
    if (result.judged.state != JudgedState::Judged) return result;
    RepairGaps(result.judged.verdicts, file.fileSize, result.judged.dataLength, gaps, console);
    const std::vector<uint32_t> listed = ListedCorruptParts(file);
    result.corrupted = NewCorruptedParts(listed, result.judged.verdicts);
    result.after = gaps;
    if (SameGaps(StoredGaps(file), gaps) && result.corrupted == listed && !GapTagsToRewrite(file)) {
      result.unchanged = true;
      result.status = 0;
      return result;
    }
    if (result.corrupted != listed) SetCorruptedParts(file, result.corrupted);
  }
  result.after = gaps;
  std::optional<uint32_t> count = NewTagCount(file, mode, gaps);
  if (!count) return result;
  EncodedMet encoded = EncodeMetFile(image, file, mode, *count, gaps);
  if (!encoded.problem.empty()) return result;
  result.written = encoded.bytes;
  result.status = 0;
  return result;
}

bool InsideOneOf(const GapTable& gaps, uint64_t start, uint64_t end) {
  for (const MetGap& gap : gaps) {
    if (gap.start <= start && gap.end >= end) return true;
  }
  return false;
}

// The type the clients write a gap bound in: 64-bit in a large download
// and wherever 32 bits do not hold it.
uint8_t BoundType(uint64_t bound, uint64_t fileSize) {
  return fileSize > 4290048000u || bound > 0xFFFFFFFFu ? 0x0B : 0x03;
}

// The text the clients write in the corrupted-parts tag: the part numbers
// in ascending order, joined by commas.
std::string CorruptedPartsText(const std::vector<uint32_t>& parts) {
  std::string text;
  for (uint32_t part : parts) text += (text.empty() ? "" : ",") + std::to_string(part);
  return text;
}

void CheckCorruptedPartsTag(const DecodedMet& decoded, size_t at, const std::vector<uint32_t>& parts) {
  FuzzCheck(at < decoded.tags.size(), "the new corrupted-parts tag is written");
  const DecodedTag& tag = decoded.tags[at];
  FuzzCheck(!tag.idForm && tag.name == "\x24" && tag.type == 0x02 && tag.text == CorruptedPartsText(parts),
            "the corrupted-parts tag is written the clients' way");
}

// The new file holds the old header, the old non-gap tags, `gaps` as tags
// named the clients' way, and the old bytes behind the last tag. With
// `corrupted`, the rebuild wrote a new corrupted-parts list: one tag in the
// place of the first old one (after the other tags where there was none),
// or none for an empty list.
void CheckNewFile(const std::string& oldBytes, const MetImage& oldImage, const OldFile& old,
                  const std::string& written, const GapTable& gaps,
                  const std::vector<uint32_t>* corrupted = nullptr) {
  DecodedMet decoded = DecodeMet(written);
  FuzzCheck(decoded.ok, "the new file decodes without damage");
  const size_t headSize = old.header->firstTag - 4;
  FuzzCheck(decoded.head.compare(1, std::string::npos, oldBytes, 1, headSize - 1) == 0,
            "the new file has the old header");
  bool wide = false;
  for (const DecodedTag& tag : decoded.tags) wide = wide || tag.type == 0x0B;
  const uint8_t version = uint8_t(oldBytes[0]);
  const bool upgraded = version == 0xE0 && old.header->layout == HeaderLayout::FullHeader && wide;
  FuzzCheck(uint8_t(written[0]) == (upgraded ? 0xE2 : version),
            "the version is the old one, or 0xE2 for a full 0xE0 header with 64-bit tags");
  FuzzCheck(decoded.tags.size() == decoded.tagCount, "the tag count is the tags it holds");

  size_t next = 0;
  bool placed = !corrupted || corrupted->empty();
  for (const TagRecord& tag : old.tags) {
    if (IsGapTag(tag)) continue;
    if (corrupted && TagHasName(tag, 0x24)) {
      if (!placed) CheckCorruptedPartsTag(decoded, next++, *corrupted);
      placed = true;
      continue;
    }
    FuzzCheck(next < decoded.tags.size(), "every non-gap tag is kept");
    const DecodedTag& copy = decoded.tags[next++];
    FuzzCheck(RecordMatches(tag, copy) && copy.type == tag.type, "a kept tag keeps its value");
  }
  if (!placed) CheckCorruptedPartsTag(decoded, next++, *corrupted);
  FuzzCheck(decoded.tags.size() == next + 2 * gaps.size(), "the new file holds the gaps and no more");
  for (size_t index = 0; index < gaps.size(); ++index) {
    const DecodedTag& start = decoded.tags[next + 2 * index];
    const DecodedTag& end = decoded.tags[next + 2 * index + 1];
    FuzzCheck(!start.idForm && start.name == GapTagName(TagIdGapStart, index) &&
                  start.type == BoundType(gaps[index].start, old.fileSize) &&
                  start.number == gaps[index].start,
              "a gap's start tag is written the clients' way");
    FuzzCheck(!end.idForm && end.name == GapTagName(TagIdGapEnd, index) &&
                  end.type == BoundType(gaps[index].end, old.fileSize) &&
                  end.number == gaps[index].end,
              "a gap's end tag is written the clients' way");
  }
  StringConsole console;
  MetImage newImage = MakeMetImage(written.data(), written.size());
  OldFile again = ReadOld(newImage);
  FuzzCheck(!again.damaged && again.header->firstTag == old.header->firstTag,
            "the tool reads the new file whole, with the old header's layout");
  // What followed the tags (the part hashes of the old eDonkey layout) stays.
  const size_t tagsEnd = oldImage.size - decoded.trailer.size();
  FuzzCheck(oldBytes.compare(tagsEnd, std::string::npos, decoded.trailer) == 0 &&
                DecodeMet(oldBytes).trailer == decoded.trailer,
            "the bytes after the tags are kept");
}

// A compact 0xE0 header is told by its first tag's first two bytes: its
// type and the low byte of its name's length. When a rewrite drops that tag
// (a gap tag), or writes its name shorter (a name read up to a NUL byte),
// the new file may read as another layout, and the rewrite must refuse it.
bool MayLoseLayout(const OldFile& old, const std::string& bytes) {
  if (old.header->version != 0xE0 || old.header->layout != HeaderLayout::CompactHeader ||
      old.tags.empty())
    return false;
  const TagRecord& first = old.tags.front();
  const DecodedMet stored = DecodeMet(bytes);
  return IsGapTag(first) || (first.name && first.name->size() != stored.tags.front().name.size());
}

// The disk of the rebuild's runs, made once, with the data file of
// `length` bytes: a data file of a part is 9.7 MB, and a fresh copy costs a
// fresh mapping under the sanitizer's allocator, more than its hashing. The
// file keeps its capacity, so that a shorter one is no new allocation either.
MemoryDisk& RebuildDisk(uint64_t length) {
  static MemoryDisk disk;
  std::istringstream names(disk.ListFiles());
  for (std::string name; names >> name;) {
    if (name != kFuzzPartPath) disk.Remove(name);
  }
  if (!disk.FileBytes(kFuzzPartPath)) disk.PutFile(kFuzzPartPath, RebuildStream());
  disk.MutableFileBytes(kFuzzPartPath)->assign(RebuildStream(), 0, length);
  return disk;
}

// True when the data file on `disk` is still the first `length` bytes of the stream.
bool DataFileIntact(const MemoryDisk& disk, uint64_t length) {
  const std::string* data = disk.FileBytes(kFuzzPartPath);
  return data && data->size() == length && data->compare(0, length, RebuildStream(), 0, length) == 0;
}

// The whole run of "partsweep X.part.met /complete" (or /rebuild) on `disk`,
// which holds no metadata file yet and, for a rebuild, the data file of
// `dataLength` bytes. The run must end with `status`: the metadata file is
// the new one with the old one as its backup, or, when the rewrite gave
// nothing, the old one alone.
void CheckRun(MemoryDisk& disk, const std::string& bytes, const std::optional<std::string>& written,
              int status, const char* mode, std::optional<uint64_t> dataLength) {
  disk.PutFile(kFuzzMetPath, bytes);
  StringConsole console;
  const char* args[] = {"partsweep", kFuzzMetPath, mode};
  FuzzCheck(RunPartsweep(3, args, disk, console) == status,
            "the run ends with the status of what the rewrite made of the file");
  FuzzCheck(disk.OpenFileCount() == 0, "a run closes every file");
  const std::string prefix = dataLength ? std::string(kFuzzPartPath) + " " : "";
  const std::string backup = std::string(kFuzzMetPath) + ".old";
  if (dataLength) FuzzCheck(DataFileIntact(disk, *dataLength), "a rebuild never writes the data file");
  if (!written) {
    FuzzCheck(disk.ListFiles() == prefix + kFuzzMetPath && *disk.FileBytes(kFuzzMetPath) == bytes,
              "a run that writes nothing leaves the metadata file alone, and makes no backup");
    return;
  }
  FuzzCheck(disk.ListFiles() == prefix + kFuzzMetPath + " " + backup,
            "a rewrite leaves the new file and its backup");
  FuzzCheck(*disk.FileBytes(kFuzzMetPath) == *written, "the run installs the rewritten file");
  FuzzCheck(*disk.FileBytes(backup) == bytes, "the backup is the old file");
}

void FuzzComplete(const std::string& bytes, const MetImage& image, const OldFile& old) {
  MemoryDisk disk;
  InMemory rewrite = RewriteInMemory(image, RewriteMode::Complete, disk);
  const std::optional<std::string>& written = rewrite.written;
  MemoryDisk runDisk;
  CheckRun(runDisk, bytes, written, rewrite.status, "/complete", std::nullopt);
  if (old.damaged) {
    FuzzCheck(!written, "a damaged file is not rewritten");
    return;
  }
  if (!written && MayLoseLayout(old, bytes)) return;
  FuzzCheck(written.has_value(), "an undamaged file is rewritten");
  CheckNewFile(bytes, image, old, *written, {});
}

bool OverlapsOneOf(const GapTable& gaps, uint64_t start, uint64_t end) {
  for (const MetGap& gap : gaps) {
    if (gap.start < gap.end && gap.start < end && gap.end > start) return true;
  }
  return false;
}

// True when every byte of [start, end) lies in one of the ranges.
bool CoveredBy(GapTable ranges, uint64_t start, uint64_t end) {
  std::sort(ranges.begin(), ranges.end(),
            [](const MetGap& a, const MetGap& b) { return a.start < b.start; });
  for (const MetGap& range : ranges) {
    if (range.start > start) break;
    if (range.end > start) start = range.end;
  }
  return start >= end;
}

constexpr uint64_t kPart = 9728000;

// The parts the stored hashes may judge, by the clients' rules: a list of
// size / 9,728,000 + 1 part hashes whose MD4 is the file hash, or for a
// download of one part its file hash alone. `noneYet`: a larger download
// whose part hashes the client has not learnt yet.
struct Vouching {
  bool judges = false;
  bool noneYet = false;
  uint32_t parts = 0;
};

Vouching Vouch(const MetImage& image, const MetHeader& header, uint64_t size) {
  Vouching vouching;
  if (size == 0) return vouching;
  const uint64_t count = size < kPart ? 0 : size / kPart + 1;
  if (header.partCount == 0) {
    vouching.noneYet = count != 0;
    vouching.judges = count == 0;
    vouching.parts = count == 0 ? 1 : 0;
    return vouching;
  }
  if (header.partCount != count) return vouching;
  Md4Context context;
  Md4Init(&context);
  Md4Update(&context, image.data() + header.partHashes, 16u * header.partCount);
  Md4Final(&context);
  vouching.judges = std::memcmp(context.digest, header.fileHash, 16) == 0;
  vouching.parts = vouching.judges ? header.partCount : 0;
  return vouching;
}

// The bytes of a part, never past the download's size.
MetGap PartBytes(uint32_t part, uint64_t size) {
  const uint64_t start = std::min<uint64_t>(part * kPart, size);
  return MetGap{start, std::min(start + kPart, size)};
}

// What the clients make of a part whose stored hash is `stored`: only a part
// downloaded whole is judged; one a gap holds a piece of that hashes right
// is complete all the same; the empty last part of an exact multiple holds
// nothing to judge.
PartVerdict ClientVerdict(const uint8_t* stored, const MetGap& bytes, uint64_t dataLength,
                          const GapTable& gaps) {
  if (bytes.start < bytes.end && bytes.end > dataLength) return PartVerdict::Incomplete;
  const bool matches =
      RebuildDigest(bytes.start, bytes.end).compare(0, 16, reinterpret_cast<const char*>(stored), 16) == 0;
  if (bytes.start == bytes.end) return matches ? PartVerdict::Sound : PartVerdict::Incomplete;
  if (OverlapsOneOf(gaps, bytes.start, bytes.end))
    return matches ? PartVerdict::FoundComplete : PartVerdict::Incomplete;
  return matches ? PartVerdict::Sound : PartVerdict::Corrupt;
}

std::vector<PartVerdict> ClientVerdicts(const MetImage& image, const MetHeader& header,
                                        const Vouching& vouching, uint64_t size,
                                        uint64_t dataLength, const GapTable& gaps) {
  std::vector<PartVerdict> verdicts;
  for (uint32_t part = 0; part < vouching.parts; ++part) {
    const uint8_t* stored = header.partCount ? PartHash(image, header, part) : header.fileHash;
    verdicts.push_back(ClientVerdict(stored, PartBytes(part, size), dataLength, gaps));
  }
  return verdicts;
}

// The parts found corrupt, and those listed before that are not sound now.
std::vector<uint32_t> StillCorrupt(const std::vector<uint32_t>& listed,
                                   const std::vector<PartVerdict>& verdicts) {
  std::vector<uint32_t> parts;
  for (uint32_t part = 0; part < verdicts.size(); ++part) {
    if (verdicts[part] == PartVerdict::Corrupt) parts.push_back(part);
  }
  for (uint32_t part : listed) {
    const bool sound = part < verdicts.size() && (verdicts[part] == PartVerdict::Sound ||
                                                  verdicts[part] == PartVerdict::FoundComplete);
    if (!sound && std::find(parts.begin(), parts.end(), part) == parts.end()) parts.push_back(part);
  }
  std::sort(parts.begin(), parts.end());
  return parts;
}

// The pieces of `range` outside every range of `cut`.
GapTable Without(const MetGap& range, const GapTable& cut) {
  GapTable pieces{range};
  for (const MetGap& taken : cut) {
    GapTable left;
    for (const MetGap& piece : pieces) {
      if (taken.end <= piece.start || taken.start >= piece.end) {
        left.push_back(piece);
        continue;
      }
      if (piece.start < taken.start) left.push_back(MetGap{piece.start, taken.start});
      if (taken.end < piece.end) left.push_back(MetGap{taken.end, piece.end});
    }
    pieces = std::move(left);
  }
  return pieces;
}

// The gaps after a rebuild, against the verdicts: a corrupt part lies inside
// one gap, a complete one in none, the bytes the data file lacks lie in gaps,
// every old gap stays but where a complete part was; no byte becomes a gap
// but those of old gaps, corrupt parts and the missing tail; and no end that
// the rebuild wrote lies past the download's size.
void CheckGapsAfter(const OldFile& old, const std::vector<PartVerdict>& verdicts,
                    uint64_t dataLength, const GapTable& before, const GapTable& after) {
  const uint64_t size = old.fileSize;
  GapTable allowed, complete;
  for (const MetGap& gap : before) {
    if (gap.start < gap.end) allowed.push_back(gap);
  }
  if (dataLength < size) {
    allowed.push_back(MetGap{dataLength, size});
    FuzzCheck(CoveredBy(after, dataLength, size), "the bytes the data file lacks lie in gaps");
  }
  for (uint32_t part = 0; part < verdicts.size(); ++part) {
    const MetGap bytes = PartBytes(part, size);
    if (verdicts[part] == PartVerdict::Corrupt) {
      allowed.push_back(bytes);
      FuzzCheck(InsideOneOf(after, bytes.start, bytes.end), "a corrupt part lies inside a gap after a rebuild");
    } else if (verdicts[part] == PartVerdict::FoundComplete) {
      complete.push_back(bytes);
      FuzzCheck(!OverlapsOneOf(after, bytes.start, bytes.end), "a part found complete is in no gap after a rebuild");
    }
  }
  for (const MetGap& gap : SureGaps(old)) {
    for (const MetGap& piece : Without(gap, complete))
      FuzzCheck(CoveredBy(after, piece.start, piece.end), "a rebuild keeps every gap but complete parts");
  }
  for (const MetGap& gap : after) {
    if (gap.start < gap.end)
      FuzzCheck(CoveredBy(allowed, gap.start, gap.end),
                "no byte becomes a gap but those of old gaps, corrupt parts and the missing tail");
    const bool oldEnd = std::any_of(before.begin(), before.end(),
                                    [&](const MetGap& was) { return was.end == gap.end; });
    FuzzCheck(gap.end <= size || oldEnd, "no gap a rebuild adds or grows reaches past the size");
  }
}

// True when the rebuild must write the gap tags anew though no part moves
// them: a one-byte gap tag, which the clients do not read (beside indexed
// ones it is stale; alone, the clients see no gap at all), or a stored gap
// that reaches past the size, which is cut to it.
bool GapTagsChange(const OldFile& old) {
  auto isGap = [](const TagRecord& tag) { return TagHasName(tag, TagIdGapStart) || TagHasName(tag, TagIdGapEnd); };
  auto indexed = [](const TagRecord& tag) { return tag.name && tag.name->size() > 1; };
  bool anyIndexed = false;
  for (const TagRecord& tag : old.tags) {
    if (isGap(tag) && !indexed(tag)) return true;
    anyIndexed |= isGap(tag);
  }
  if (!anyIndexed || old.fileSize == 0) return false;
  std::optional<uint64_t> start;
  for (const TagRecord& tag : old.tags) {
    if (TagHasName(tag, TagIdGapStart)) {
      start.reset();
      if (HoldsNumber(tag)) start = tag.value;
    } else if (TagHasName(tag, TagIdGapEnd)) {
      if (start && HoldsNumber(tag) && *start <= tag.value &&
          (*start >= old.fileSize || tag.value > old.fileSize))
        return true;
      start.reset();
    }
  }
  return false;
}

// True when a rebuild has something to write: a corrupt part, a complete
// part inside a gap, bytes the data file lacks outside the gaps, another
// corrupted-parts list, or gap tags the clients read otherwise.
bool Changes(const std::vector<PartVerdict>& verdicts, uint64_t size, uint64_t dataLength,
             const GapTable& before, bool listChanges, bool gapTagsChange) {
  if (gapTagsChange) return true;
  for (PartVerdict verdict : verdicts) {
    if (verdict == PartVerdict::Corrupt || verdict == PartVerdict::FoundComplete) return true;
  }
  GapTable ranges;
  for (const MetGap& gap : before) {
    if (gap.start < gap.end) ranges.push_back(gap);
  }
  return listChanges || (dataLength < size && !CoveredBy(ranges, dataLength, size));
}

void FuzzRebuild(const std::string& bytes, const MetImage& image, const OldFile& old) {
  const uint64_t dataLength = RebuildDataLength(old.fileSize);
  MemoryDisk& disk = RebuildDisk(dataLength);
  InMemory rewrite = RewriteInMemory(image, RewriteMode::Rebuild, disk);
  const std::optional<std::string>& written = rewrite.written;
  const JudgedDownload& judged = rewrite.judged;
  FuzzCheck(disk.OpenFileCount() == 0, "the data file is closed after the check");
  FuzzCheck(DataFileIntact(disk, dataLength), "a rebuild never writes the data file");
  CheckRun(RebuildDisk(dataLength), bytes, written, rewrite.status, "/rebuild", dataLength);
  if (old.damaged) {
    FuzzCheck(!written && judged.state != JudgedState::Judged,
              "a damaged file is neither checked nor rewritten");
    return;
  }
  if (judged.state == JudgedState::Failed) {
    FuzzCheck(!written, "nothing is rewritten when the parts could not be checked");
    return;
  }
  // A trusted AICH set of eMule's judges beside the part hashes, or alone
  // where they cannot: then the verdicts are taken as the tool gives them,
  // and only what follows from them is checked. (A SHA-1 tree that its root
  // tag vouches for does not arise by mutation.)
  const Vouching vouching = Vouch(image, *old.header, old.fileSize);
  if (!rewrite.aichJudges) {
    FuzzCheck(CanJudge(judged.trust) == vouching.judges,
              "parts are judged exactly when the file hash vouches for the stored hashes");
    if (!vouching.judges) {
      FuzzCheck(judged.state == JudgedState::NotJudged && judged.verdicts.empty() && !written &&
                    rewrite.status == (vouching.noneYet ? 0 : 1),
                "no part is judged by hashes nothing vouches for, and nothing is written");
      return;
    }
  }
  const std::vector<PartVerdict> verdicts =
      rewrite.aichJudges ? judged.verdicts
                         : ClientVerdicts(image, *old.header, vouching, old.fileSize, dataLength,
                                          rewrite.before);
  FuzzCheck(judged.dataLength == dataLength && judged.verdicts == verdicts,
            "every part is judged as the clients judge it");
  const DecodedMet oldMet = DecodeMet(bytes);
  FuzzCheck(oldMet.ok, "an undamaged file decodes to the independent decoder");
  const std::vector<uint32_t> listed = ListedCorruptedParts(oldMet, old.fileSize);
  const std::vector<uint32_t> corrupted = StillCorrupt(listed, verdicts);
  FuzzCheck(rewrite.corrupted == corrupted,
            "the corrupted parts are those found corrupt and those listed that are not sound");
  const bool changes =
      Changes(verdicts, old.fileSize, dataLength, rewrite.before, corrupted != listed, GapTagsChange(old));
  FuzzCheck(rewrite.unchanged == !changes, "a rebuild writes when it changes something, only then");
  if (rewrite.unchanged) return;  // CheckRun saw that nothing was written
  if (!written && MayLoseLayout(old, bytes)) return;
  FuzzCheck(written.has_value(), "an undamaged, checked file that changes is rewritten");
  CheckNewFile(bytes, image, old, *written, rewrite.after, corrupted != listed ? &corrupted : nullptr);
  FuzzCheck(ListedCorruptedParts(DecodeMet(*written), old.fileSize) == corrupted,
            "the new file lists the corrupted parts");
  CheckGapsAfter(old, verdicts, dataLength, rewrite.before, rewrite.after);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size > (1u << 20)) return 0;
  const std::string bytes(reinterpret_cast<const char*>(data), size);
  MetImage image = MakeMetImage(data, size);
  const OldFile old = ReadOld(image);
  FuzzComplete(bytes, image, old);
  FuzzRebuild(bytes, image, old);
  return 0;
}
