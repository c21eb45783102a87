// known.met, the clients' record of the files they hash and share, decoded
// from its bytes: for each file its time, hashes, name and size, so that a
// shared file can be checked against it and a damaged one reopened as a
// download.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "hash/aich_tree.h"
#include "met/met_image.h"
#include "met/tag_record.h"

/// The version bytes: 0x0E, and 0x0F once a file above 4,290,048,000 bytes
/// is listed (whose size tag is then 64-bit).
constexpr uint8_t kKnownMetVersion = 0x0E;
constexpr uint8_t kKnownMetVersionLarge = 0x0F;

/// The largest known.met the tool loads: 32 MiB. A record takes some 150 to
/// 200 bytes and 16 a part (a 1 TB share of 1 GB files some 2 MB), so that
/// is over 150,000 files, and every offset stays far below the 4 GiB a
/// ReadCursor holds. Decoded, a real file takes some 6 times its size; one
/// of nothing but the smallest tags (3 bytes, 96 decoded) some 50 times.
constexpr uint32_t kMaxKnownMetSize = 32u << 20;

/// An MD4 digest: a file hash or a part hash.
using Md4Hash = std::array<uint8_t, 16>;

/// One record of the file: a file that the client hashed.
struct KnownFile {
  /// Its place among the records, from 1.
  uint32_t record = 0;
  /// The file's modification time when the client hashed it (Unix seconds);
  /// the client hashes it again when it finds the file with another time.
  uint32_t modificationTime = 0;
  Md4Hash fileHash{};
  /// As stored; none for a file below one part, whose file hash is the MD4
  /// of its data (which only the data can check).
  std::vector<Md4Hash> partHashes;
  /// The name as the clients take it from the name tags (0x01), in UTF-8;
  /// empty without one.
  std::string name;
  /// The value of the last size tag (0x02) holding a number.
  std::optional<uint64_t> size;
  /// Tag 0x27 as stored (base32), and the root it names where it is one.
  std::string aichRootText;
  std::optional<AichHash> aichRoot;
  /// Every other tag, in order.
  std::vector<TagRecord> tags;
  /// Why the record cannot be trusted, a line each naming the record, such
  /// as "record 3 ('a.avi'): it gives no size"; empty for a sound record.
  std::vector<std::string> problems;
};

/// The decoded file.
struct KnownMet {
  /// Empty, or why nothing was read (an empty file, an unknown version).
  std::string problem;
  uint8_t version = 0;
  /// The number of records the file announces.
  uint32_t recordCount = 0;
  /// Every record read whole, sound or not, in the file's order.
  std::vector<KnownFile> files;
  /// Empty, or where the reading broke off before `recordCount` records (a
  /// cut file, a count that runs past the end, a tag that cannot be
  /// decoded), or that bytes follow the last record: nothing there is read.
  std::string damage;
};

/// Decodes the whole image. Records are read as long as their framing
/// holds; a record that reads whole but is wrong is kept with its problems.
KnownMet DecodeKnownMet(const MetImage& image);
