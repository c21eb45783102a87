// A metadata file made from scratch, as the clients would write it for a
// download: the way back for one whose metadata file and every backup are
// lost (from its ed2k link), and the way to reopen a damaged completed file
// as a download (from the clients' record of it).
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "met/ed2k_link.h"
#include "met/met_file.h"

/// What the new file holds.
struct NewMetFields {
  std::string name;
  uint64_t size = 0;
  std::array<uint8_t, 16> fileHash{};
  /// The part hashes to write, already vouched for by the file hash; none
  /// for a download of one part, or where none can be trusted.
  std::vector<std::array<uint8_t, 16>> partHashes;
  /// The header's time stamp: the data file's modification time.
  uint32_t timeStamp = 0;
  /// The AICH root in base32 (tag 0x27), and eMule's AICH part-hash set
  /// (tag 0x35, its blob), where known.
  std::string aichRoot;
  std::string aichHashSet;
  /// The parts the client is to fetch again (tag 0x24).
  std::vector<uint32_t> corruptedParts;
  GapTable gaps;
};

/// A metadata file made in memory: the header's bytes up to its tag count,
/// and the file as decoding it would give, so that it is judged and
/// written like one read from disk, without being encoded and read back.
struct NewMet {
  MetImage image;
  MetFile file;
  /// Empty, or the line that says why it cannot be made.
  std::string problem;
};

/// The metadata file the clients would write for the download: a full
/// header (0xE2 for a large download, else 0xE0) with the time stamp, the
/// file hash and the part hashes; then the name, the size (64-bit when
/// large), the AICH root and set where given, the corrupted-parts list where
/// there is one, and the gaps, which the write-back writes in the clients'
/// form and widths.
NewMet NewMetFile(const NewMetFields& fields);

/// True when the link's part hashes are as many as the clients store for
/// its size and hash to its file hash, so that they may judge parts.
bool LinkPartHashesVouched(const Ed2kLink& link);

/// The metadata file of the download an ed2k link names: its name, size,
/// file hash and AICH root, with `partHashes` the link's part hashes, and
/// `gaps`.
NewMet NewLinkMet(const Ed2kLink& link, uint32_t timeStamp, bool partHashes, const GapTable& gaps);
