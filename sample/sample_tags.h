// The tags of a sample metadata file, encoded as the download clients
// encode them, and the sets of unusual tags a test can add.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

/// One tag as the sample writes it: raw type byte, name and encoded value.
struct SampleTag {
  uint8_t type = 0;      // with bit 7 for the id form
  std::string name;      // the id byte in id form
  std::string value;     // the value bytes exactly as on disk
};

/// RFC 4648 base32 without padding, upper case, as eMule writes AICH hashes.
std::string SampleBase32(const std::string& bytes);

/// Encodes one tag as the clients do.
std::string EncodeSampleTag(const SampleTag& tag);

/// A string-named TagUInt32 (0x03) tag.
SampleTag SampleNumberTag(const std::string& name, uint32_t value);

/// A string-named 64-bit (0x0B) tag, as the clients write the size and the
/// gaps of a large download.
SampleTag SampleUInt64Tag(const std::string& name, uint64_t value);

/// A string-named text (0x02) tag.
SampleTag SampleTextTag(const std::string& name, const std::string& text);

/// Tags of every value type the tool reads (0x01 to 0x09 and short
/// strings), in both name forms, with empty names and values, and names
/// that look like gaps' but are none.
std::vector<SampleTag> EveryTypeSampleTags();

/// 64-bit (0x0B) tags in both name forms, one of a value above 32 bits.
std::vector<SampleTag> UInt64SampleTags();

/// A "bsob" (0x0A) tag: an 8-bit length, then that many bytes.
SampleTag BsobSampleTag();

/// The tags eMule writes beyond name, size, transferred, status,
/// priorities, last seen complete, category and gaps, for a download of that
/// size: corrupted parts (0x24, text), AICH root (0x27, base32 text) and
/// AICH part-hash set (0x35, blob; downloads of more than one part), the
/// statistics (0x50 to 0x55 but the category 0x53), the Kad publishing
/// times (0x21, 0x26), and a float and a hash tag kept from an older file.
/// Their values come from the seed; they are no real AICH hashes.
std::vector<SampleTag> EmuleSampleTags(uint64_t fileSize, uint32_t seed);
