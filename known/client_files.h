// Reading the clients' own small files whole through the disk: known.met
// and the configuration files beside it.
#pragma once

#include <cstdint>
#include <string>

#include "met/known_met.h"

class Disk;

/// The largest configuration file (amule.conf, preferences.ini,
/// shareddir.dat) the tool reads: 1 MiB, hundreds of times what a client writes.
constexpr uint64_t kMaxClientConfigSize = 1u << 20;

/// A file read whole.
struct ClientFileRead {
  /// False where no file has the path (it cannot be identified).
  bool found = false;
  std::string bytes;
  /// Empty, or why a file that is there was not read.
  std::string problem;
};

/// Reads the file at `path` whole, when it is at most `maxSize` bytes.
ClientFileRead ReadClientFile(Disk& disk, const std::string& path, uint64_t maxSize);

/// Reads and decodes the known.met at `path`, of at most kMaxKnownMetSize
/// bytes; a file that cannot be read has its reason in `problem`.
KnownMet LoadKnownMet(Disk& disk, const std::string& path);
