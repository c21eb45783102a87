// A metadata file made from scratch out of an ed2k link and what the data
// file holds: the way back for a download whose metadata file and every
// backup are lost.
#pragma once

#include <cstdint>
#include <string>

#include "met/ed2k_link.h"
#include "met/met_file.h"

/// True when the link's part hashes are as many as the clients store for
/// its size and hash to its file hash, so that they may judge parts.
bool LinkPartHashesVouched(const Ed2kLink& link);

/// A metadata file made in memory: the header's bytes up to its tag count,
/// and the file as decoding it would give, so that it is judged and
/// written like one read from disk, without being encoded and read back.
struct LinkMet {
  MetImage image;
  MetFile file;
  /// Empty, or the line that says why it cannot be made.
  std::string problem;
};

/// The metadata file the clients would write for the download: a full
/// header (0xE2 for a large download, else 0xE0) with `timeStamp`, the file
/// hash and, with `partHashes`, the link's part hashes; then the name, the
/// size (64-bit when large), the AICH root when the link has one, and
/// `gaps`, which the write-back writes in the clients' form and widths.
LinkMet NewLinkMet(const Ed2kLink& link, uint32_t timeStamp, bool partHashes, const GapTable& gaps);
