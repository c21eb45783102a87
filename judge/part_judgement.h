// Which stored hashes may judge a download's parts, and what they say of
// each part: the one judgement behind /rebuild and --check, which differ only
// in what they write. It judges as the clients do, so that partsweep never
// calls a part bad that a client would keep.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "hash/aich_hash_set.h"
#include "met/met_file.h"
#include "met/met_image.h"
#include "met/part_layout.h"
#include "platform/disk.h"
#include "reading/part_board.h"

/// The MD4 digest of one part.
using PartDigest = std::array<uint8_t, 16>;

/// What the stored hashes can judge.
enum class HashTrust {
  /// The part hashes, which hash to the file hash as the clients demand.
  PartHashes,
  /// A download of one part: its file hash is the hash of its data.
  FileHash,
  /// A larger download whose part hashes the client has not learnt yet.
  NoneYet,
  /// Not as many part hashes as a download of its size has.
  WrongCount,
  /// The part hashes do not hash to the file hash: one of them is damaged.
  Mismatch,
  /// No size: nothing tells where the parts end.
  NoSize,
};

/// True when the hashes may judge parts.
inline bool CanJudge(HashTrust trust) {
  return trust == HashTrust::PartHashes || trust == HashTrust::FileHash;
}


/// Whether the stored hashes may judge the download's parts.
HashTrust JudgeHashes(const MetImage& image, const MetFile& file);

/// What eMule's AICH hashes can judge: a set that its part hashes and the
/// root tag vouch for, as eMule demands; any other set is ignored.
struct AichTrust {
  /// True when the file holds a hash set at all.
  bool present = false;
  AichSetCheck check = AichSetCheck::kMalformed;
  AichHashSet set;
  /// True when the set may judge parts.
  bool Judges() const { return present && check == AichSetCheck::kTrusted; }
};

/// Whether the file's AICH hash set (tags 0x35 and 0x27) may judge its parts.
AichTrust JudgeAichHashes(const MetFile& file);

/// The line that says why a present AICH set is ignored; "" for a trusted one.
std::string AichIgnoredLine(const AichTrust& aich);

/// The line that says why the MD4 part hashes cannot judge, for a trust that
/// cannot: no part is judged, or with `byAich` the AICH hashes judge alone.
std::string UntrustedLine(HashTrust trust, const MetFile& file, bool byAich = false);

/// The parts the check hashes and lists: one a stored part hash, or the one
/// part of a small download; where only the AICH set judges, one an AICH part.
uint32_t CheckedPartCount(const MetFile& file, HashTrust trust, bool byAich = false);

/// What a part's bytes say against its stored hash.
enum class PartVerdict {
  /// Complete, and its bytes hash right.
  Sound,
  /// Complete, and its bytes hash wrong: the client must fetch it again.
  Corrupt,
  /// Not downloaded whole (a gap or the data file's end cuts it): its hash
  /// says nothing, so it is not judged.
  Incomplete,
  /// A gap holds a piece of it, yet all its bytes are there and hash right:
  /// it is complete, as after a crash before the client saved its gaps.
  FoundComplete,
};

/// Everything a part's verdict rests on besides its hashes.
struct PartJudging {
  const MetImage& image;
  const MetFile& file;
  HashTrust trust;
  /// The data file's length, which may differ from the download's size.
  uint64_t dataLength;
  /// The gaps as they stand; only valid ones cut a part.
  const GapTable& gaps;
  /// The AICH set where it judges too, else nothing.
  const AichHashSet* aich = nullptr;
};

/// A part's verdict, and which hashes judged it and agreed.
struct PartFinding {
  PartVerdict verdict = PartVerdict::Incomplete;
  /// The part's MD4 digest.
  PartDigest digest{};
  bool md4Judged = false;
  bool md4Agrees = false;
  bool aichJudged = false;
  bool aichAgrees = false;
};

/// The verdict on `part`, whose bytes hashed as `hashed` says: sound only
/// where every hash that judges it agrees, as eMule judges.
PartFinding JudgePart(const PartJudging& judging, uint32_t part, const PartOutcome& hashed);

/// The mark behind a part's digest: its verdict, and with the AICH set
/// judging, which hashes agreed.
std::string PartMark(const PartFinding& finding);

/// True when some valid gap holds a byte of [start, end).
bool OverlapsAGap(const GapTable& gaps, uint64_t start, uint64_t end);

/// The corrupted-parts list after a check: the parts found corrupt, and
/// those listed before that are still not sound.
std::vector<uint32_t> NewCorruptedParts(const std::vector<uint32_t>& listed,
                                        const std::vector<PartVerdict>& verdicts);

/// The parts the file's corrupted-parts tag lists, within the download.
std::vector<uint32_t> ListedCorruptParts(const MetFile& file);
