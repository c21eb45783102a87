// The files of a client's record found on disk and judged as the clients
// judge them: by the MD4 part hashes the file hash vouches for (or the file
// hash itself below one part), many files side by side in the lanes of a part
// check; the AICH blocks of a part are hashed only where its MD4 differs, to
// name the blocks a client's AICH recovery would fetch.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "known/known2_met.h"
#include "met/known_met.h"
#include "platform/disk.h"
#include "reading/part_hashing.h"

/// A record and the file that is its, where one was found.
struct SharedFile {
  const KnownFile* record = nullptr;
  /// "" when no folder holds a file of its name and size.
  std::string path;
  FileStatus status;
};

/// Where each record's file is, in the record's order: the first of the
/// folders (in order) that holds a regular file of its name and size, as
/// the clients find it. A record without a name or size is not looked for.
std::vector<SharedFile> FindSharedFiles(const KnownMet& known, const std::vector<std::string>& folders,
                                        FileSystem& files);

/// What a file's bytes say against its record.
struct SharedVerdict {
  enum class State { Sound, Corrupt, NotFound, NotJudged };
  State state = State::NotJudged;
  /// The file's time is not the one the client hashed it with: edited, or
  /// copied without its time. It is judged all the same.
  bool changed = false;
  /// The parts whose MD4 differs, from 0.
  std::vector<uint32_t> corruptParts;
  /// For each corrupt part whose AICH block hashes are known, the blocks
  /// (of 184,320 bytes, from 0 within the part) whose hash differs.
  std::vector<std::pair<uint32_t, std::vector<uint32_t>>> badBlocks;
  /// Why it was not judged.
  std::string why;
};

/// The client's AICH block hashes: its known2_64.met, open, and its index.
struct BlockHashes {
  File* file = nullptr;
  const Known2Index* index = nullptr;
};

/// Judges every file, calling `judged` for each in order as soon as it and
/// those before it are done. The files are read only (a running client may
/// hold them) and at most kFilesAtOnce are open at a time.
void JudgeSharedFiles(const std::vector<SharedFile>& files, Disk& disk, const BlockHashes& blocks,
                      const PartHashOptions& options,
                      const std::function<void(size_t, const SharedVerdict&)>& judged);

/// The files a batch keeps open and hashes side by side.
constexpr size_t kFilesAtOnce = 64;
