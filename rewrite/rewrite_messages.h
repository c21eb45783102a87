// What a rewrite and its part check say. These texts are the program's
// established output, kept byte for byte as its users have always seen
// them, spelling included ("hashs").
#pragma once

#include <cinttypes>

constexpr char kMsgNewTagCount[] = "Tag Count : %u\n";
constexpr char kMsgTooManyTags[] = "Error: too many tags for one file\n";
constexpr char kMsgOtherLayout[] = "Error: the new file would be read with another header layout\n";
constexpr char kMsgCalculating[] = "Calculating hashs ...\n";
constexpr char kMsgCalculatedHash[] = "Calculated Hash %03d: %s%s\n";
constexpr char kMarkSound[] = " [x] ";
constexpr char kMarkCorrupt[] = " [ ]";
constexpr char kMarkIncomplete[] = " [-] incomplete, not checked";
constexpr char kMsgReadFailed[] = "Error: reading '%s' failed (Error %d)\n";
constexpr char kMsgPartCorrupt[] = "Part %d is corrupt, ";
constexpr char kMsgGapExpanded[] = "Gap %d was expanded to %" PRIx64 " .. %" PRIx64 "\n";
constexpr char kMsgGapAdded[] = "New Gap %" PRIx64 " .. %" PRIx64 " was added\n";
