// The clients' record of their shared files (known.met, known2_64.met) and
// their configuration files, written the way aMule and eMule write them,
// so that tests can make a client's configuration folder. The hashes come
// from the files' bytes, with an AICH tree of this encoder's own.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "sample/sample_tags.h"

/// A file's hashes as a client computes them from its bytes.
struct SampleFileHashes {
  uint64_t size = 0;
  /// 16 bytes: the MD4 of the data below one part, else of the part hashes.
  std::string fileHash;
  /// 16 bytes a part, size / 9,728,000 + 1 of them; none below one part.
  std::string partHashes;
  /// 20 bytes each: the SHA-1 of every 184,320-byte block, part by part.
  std::string blockHashes;
  /// 20 bytes: the root of the AICH tree over the blocks.
  std::string aichRoot;
};

/// The MD4 of the bytes: the file hash of these part hashes, concatenated.
std::string SampleMd4(const std::string& bytes);

/// The hashes of bytes in memory.
SampleFileHashes HashSampleBytes(const std::string& bytes);

/// The hashes of a file on disk, read a block at a time; false when it
/// cannot be read.
bool HashSampleFile(const std::string& path, SampleFileHashes* hashes);

/// One record of known.met.
struct SampleKnownRecord {
  /// The file's modification time when it was hashed.
  uint32_t time = 0x6B163E0C;
  std::string fileHash;
  std::string partHashes;
  /// UTF-8; written twice as aMule writes it (plain, then in its universal
  /// form); no name tag when empty.
  std::string name;
  uint64_t size = 0;
  /// False: no size tag.
  bool sizeTag = true;
  /// 20 bytes, written in base32 as tag 0x27; no tag when empty.
  std::string aichRoot;
  /// Tags after aMule's own.
  std::vector<SampleTag> extraTags;
};

/// The record aMule writes for a file of that name, time and hashes.
SampleKnownRecord SampleKnownRecordOf(const std::string& name, uint32_t time,
                                      const SampleFileHashes& hashes);

/// One record's bytes: time, file hash, part hashes, then the tags aMule
/// writes (name twice, size, statistics 0x50 0x54 0x51 0x52, upload
/// priority 0x19, AICH root 0x27) and the extra ones.
std::string EncodeSampleKnownRecord(const SampleKnownRecord& record);

/// known.met: version 0x0E, or 0x0F where a file is above 4,290,048,000
/// bytes (its size tag then 64-bit), the count and the records.
std::string EncodeSampleKnownMet(const std::vector<SampleKnownRecord>& records);

/// known2_64.met: version 0x02, then each file's root, count and block hashes.
std::string EncodeSampleKnown2Met(const std::vector<SampleFileHashes>& files);

/// Writes known.met and known2_64.met into `folder` for the files at
/// `paths`, hashed from their bytes, with their names and times; false with
/// a reason.
bool WriteSampleKnownFiles(const std::string& folder, const std::vector<std::string>& paths,
                           std::string* error);

/// amule.conf naming these folders, as aMule writes it: UTF-8, the paths in
/// its universal form and escaped, network use off.
std::string SampleAmuleConf(const std::string& incoming, const std::string& temp);

/// preferences.ini as eMule writes it, in UTF-16LE behind a mark: the first
/// temp folder as TempDir, all of them in TempDirs.
std::string SampleEmulePreferences(const std::string& incoming, const std::vector<std::string>& temp);

/// shareddir.dat listing the folders: aMule's UTF-8 lines, or eMule's
/// UTF-16LE lines behind a mark, each ending in CR LF.
std::string SampleSharedDirs(const std::vector<std::string>& folders, bool emule);
