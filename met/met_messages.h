// What the metadata reader and writer say. These texts are the program's
// established output, kept byte for byte as its users have always seen
// them, spelling included ("Unkown").
#pragma once

constexpr char kMsgInvalidVersion[] = "Error: .met file version %#x invalid!\n";
constexpr char kMsgTruncated[] = "Error: .met file is truncated at offset %u!\n";
constexpr char kMsgUnknownTagType[] = "%s: Unkown Tag Type %x\n";
constexpr char kMsgCannotEncodeTag[] = "Error: %s: Unkown Tag Type %d\n";
constexpr char kMsgTagNameTooLong[] = "Error: %s: tag name too long\n";
constexpr char kMsgHashId[] = "Hash Id: %s\n";
constexpr char kMsgHashedPartCount[] = "Hashed Part Count: %d\n";
constexpr char kMsgTooManyTags[] = "Error: too many tags for one file\n";
constexpr char kMsgOtherLayout[] = "Error: the new file would be read with another header layout\n";
constexpr char kMsgHashIdForPart[] = "Hash Id for Part %d: %s\n";

// What the ed2k link reader says of a link that names no download.
constexpr char kMsgNotFileLink[] =
    "Error: not an ed2k file link (ed2k://|file|NAME|SIZE|HASH|/): nothing is written.\n";
constexpr char kMsgLinkNoName[] = "Error: the ed2k link names no file: nothing is written.\n";
constexpr char kMsgLinkBadSize[] =
    "Error: the size in the ed2k link is not a number from 1 to 274877906944: nothing is "
    "written.\n";
constexpr char kMsgLinkBadHash[] =
    "Error: the file hash in the ed2k link is not 32 hexadecimal digits: nothing is written.\n";
