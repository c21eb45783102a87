// known2_64.met, where the clients keep the AICH hashes of the blocks of
// every file they hashed: version 0x02, then for each file its 20-byte root,
// a 32-bit count and that many 20-byte SHA-1 block hashes. A large share
// makes it large (some 110 MB a TB), so it is indexed once and each file's
// hashes are read when they are needed.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "hash/aich_tree.h"

class Disk;
class File;

/// The version byte of known2_64.met.
constexpr uint8_t kKnown2MetVersion = 0x02;

/// Where one file's block hashes lie.
struct AichBlockSet {
  AichHash root{};
  /// Offset of the first block hash in the file.
  uint64_t offset = 0;
  /// How many block hashes it announces, all of them inside the file.
  uint32_t count = 0;
};

/// The index of the file: the sets in its order, without their hashes.
struct Known2Index {
  /// Empty, or why the file cannot be read at all (an error, a version byte
  /// that is not 0x02).
  std::string problem;
  std::vector<AichBlockSet> sets;
  /// Empty, or where the index broke off: a set that the file ends inside,
  /// or whose count runs past the end. Nothing behind it is followed.
  std::string damage;
};

/// The block hashes a file of `size` bytes has, part by part: 53 for each
/// whole part of 9,728,000 bytes (its last block is short), and the
/// 184,320-byte blocks, the last one short, of what is left.
uint64_t AichBlockCount(uint64_t size);

/// Indexes the open file, reading 24 bytes a set.
Known2Index IndexKnown2Met(Disk& disk, File& file);

/// The first set with that root, as the clients take it, or nullptr.
const AichBlockSet* FindAichBlockSet(const Known2Index& index, const AichHash& root);

/// Asks ReadAichBlockHashes for the hashes of every part.
constexpr uint32_t kAllParts = UINT32_MAX;

/// Reads the block hashes of part `part` of a file of `size` bytes, or of
/// all its parts for kAllParts. Empty, or why they are not read: a count
/// that does not fit the size, a part past the end, a failed read.
std::string ReadAichBlockHashes(Disk& disk, File& file, const AichBlockSet& set, uint64_t size,
                                uint32_t part, std::vector<AichHash>* hashes);
