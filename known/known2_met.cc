#include "known/known2_met.h"

#include <algorithm>
#include <cstring>

#include "hash/aich_hash_set.h"
#include "hash/hash_routines.h"
#include "met/part_layout.h"
#include "platform/console.h"
#include "platform/disk.h"

namespace {

constexpr uint64_t kBlocksPerPart = (kPartSize + kAichBlockSize - 1) / kAichBlockSize;
// A set's root and count.
constexpr uint64_t kSetHead = kSha1Bytes + 4;

std::string SetLabel(size_t index, const AichHash& root) {
  return Format("set %u (root %s)", unsigned(index + 1), AichHashToBase32(root).c_str());
}

// Reads `size` bytes at `offset`; 0, or the error (-1 for a file that ended).
int ReadExactly(Disk& disk, File& file, uint64_t offset, uint8_t* out, size_t size) {
  ReadResult got = ReadFullyAt(disk, file, offset, out, size);
  if (got.error) return got.error;
  return got.count == size ? 0 : -1;
}

}  // namespace

uint64_t AichBlockCount(uint64_t size) {
  const uint64_t rest = size % kPartSize;
  return size / kPartSize * kBlocksPerPart + (rest + kAichBlockSize - 1) / kAichBlockSize;
}

Known2Index IndexKnown2Met(Disk& disk, File& file) {
  Known2Index index;
  uint64_t size = 0;
  uint8_t version = 0;
  int error = FileSize(disk, file, &size);
  if (!error && size) error = ReadExactly(disk, file, 0, &version, 1);
  if (error || size == 0) {
    index.problem = size == 0 && !error ? "it is empty" : Format("it cannot be read (error %d)", error);
    return index;
  }
  if (version != kKnown2MetVersion) {
    index.problem = Format("its version byte 0x%02x is not 0x02", version);
    return index;
  }
  for (uint64_t at = 1; at < size;) {
    uint8_t head[kSetHead];
    if (size - at < kSetHead || ReadExactly(disk, file, at, head, kSetHead) != 0) {
      index.damage = Format("set %u: the file ends inside it, or cannot be read, at offset %llu",
                            unsigned(index.sets.size() + 1), static_cast<unsigned long long>(at));
      break;
    }
    AichBlockSet set;
    std::memcpy(set.root.data(), head, kSha1Bytes);
    set.count = uint32_t(head[20]) | uint32_t(head[21]) << 8 | uint32_t(head[22]) << 16 |
                uint32_t(head[23]) << 24;
    set.offset = at + kSetHead;
    if (set.count > (size - set.offset) / kSha1Bytes) {
      index.damage = Format("%s: its %u block hashes run past the end of the file",
                            SetLabel(index.sets.size(), set.root).c_str(), set.count);
      break;
    }
    index.sets.push_back(set);
    at = set.offset + uint64_t(kSha1Bytes) * set.count;
  }
  return index;
}

const AichBlockSet* FindAichBlockSet(const Known2Index& index, const AichHash& root) {
  for (const AichBlockSet& set : index.sets) {
    if (set.root == root) return &set;
  }
  return nullptr;
}

std::string ReadAichBlockHashes(Disk& disk, File& file, const AichBlockSet& set, uint64_t size,
                                uint32_t part, std::vector<AichHash>* hashes) {
  hashes->clear();
  const uint64_t expected = AichBlockCount(size);
  if (set.count != expected) {
    return Format("its %u block hashes do not fit a size of %llu bytes, which has %llu", set.count,
                  static_cast<unsigned long long>(size), static_cast<unsigned long long>(expected));
  }
  uint64_t first = 0, count = expected;
  if (part != kAllParts) {
    first = part * kBlocksPerPart;
    if (first >= expected)
      return Format("a file of %llu bytes has no part %u", static_cast<unsigned long long>(size), part);
    count = std::min(kBlocksPerPart, expected - first);
  }
  if (count == 0) return "";
  // The hashes go straight into the vector: they lie in it as in the file.
  static_assert(sizeof(AichHash) == kSha1Bytes, "an AichHash is its bytes");
  hashes->resize(count);
  const int error = ReadExactly(disk, file, set.offset + first * kSha1Bytes, hashes->front().data(),
                                count * kSha1Bytes);
  if (error == 0) return "";
  hashes->clear();
  return Format("its block hashes cannot be read (error %d)", error);
}
