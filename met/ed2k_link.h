// The ed2k file link, the form in which users copy a download from search
// results and web pages: what it tells of a download when its metadata file
// is lost.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

/// The largest download the clients take: 256 GiB.
constexpr uint64_t kMaxDownloadSize = 0x4000000000ull;

/// What an ed2k file link says of a download.
struct Ed2kLink {
  /// The file name, with %XX escapes decoded.
  std::string name;
  uint64_t size = 0;
  std::array<uint8_t, 16> fileHash{};
  /// True when the link carries a "p=" field, whatever it holds.
  bool partHashesGiven = false;
  /// The part hashes of "p=", 16 bytes each in order; empty when a hash in
  /// it is not 32 hexadecimal digits.
  std::vector<std::array<uint8_t, 16>> partHashes;
  /// The AICH root of "h=", upper-case base32; empty without a sound one.
  std::string aichRoot;
  /// True when "h=" was given but is not a 32-letter base32 root.
  bool aichRootBad = false;
};

/// The link read, or the line that says why it names no download.
struct Ed2kLinkRead {
  std::optional<Ed2kLink> link;
  std::string problem;
};

/// Reads `ed2k://|file|NAME|SIZE|HASH|[p=H1:H2:...|][h=ROOT|]...|/`. The
/// scheme and "file" are matched ignoring case, fields after the hash that
/// it does not know are passed over, and the closing "/" may be missing.
Ed2kLinkRead ReadEd2kLink(const std::string& text);

/// True when the text begins like an ed2k link, so that a command line can
/// tell it from a path.
bool LooksLikeEd2kLink(const std::string& text);
