// MD4 over a data file: the routines (the system's where it has them, which
// the tests hold against our own), the digest of a byte range, and whole
// reads at an offset. The rebuild hashes its parts in reading/part_hashing.h.
#pragma once

#include <cstdint>
#include <string>

#include "hash/md4.h"
#include "platform/system_library.h"

class FileIo;
class File;
struct ReadResult;

/// The three MD4 steps, from the system where it offers them, else our own;
/// both give the digests of RFC 1320.
struct HashRoutines {
  /// Keeps the system library loaded while its routines are bound.
  SystemLibrary library;
  void (*init)(Md4Context*) = Md4Init;
  void (*update)(Md4Context*, const uint8_t*, uint32_t) = Md4Update;
  void (*final)(Md4Context*) = Md4Final;
  /// True when the routines are the system's.
  bool fromSystem = false;
};

/// Binds the routines of `library` ("advapi32.dll" on Windows) when it has
/// all three, and our own otherwise.
HashRoutines BindHashRoutines(const std::string& library = "advapi32.dll");

/// The MD4 digest of `length` bytes from `offset` of an open file, read in
/// blocks of 64 KiB. A range past the end of the file covers what exists.
/// Returns 0, or the system's error code of a failed seek or read.
int HashFileRange(const HashRoutines& routines, FileIo& disk, File& file, uint8_t digest[16],
                  uint64_t offset, uint64_t length);

/// Reads `size` bytes at `offset` of an open file, fewer only where the file
/// ends first: a read may deliver less than asked without being at the end.
ReadResult ReadFullyAt(FileIo& disk, File& file, uint64_t offset, uint8_t* buffer, size_t size);
