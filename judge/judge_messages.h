// What the part judgement says. The texts down to the gap lines are the
// program's established output, kept byte for byte as its users have always
// seen them, spelling included ("hashs").
#pragma once

#include <cinttypes>

constexpr char kMsgCalculating[] = "Calculating hashs ...\n";
constexpr char kMsgCalculatedHash[] = "Calculated Hash %03d: %s%s\n";
constexpr char kMarkSound[] = " [x] ";
constexpr char kMarkCorrupt[] = " [ ]";
constexpr char kMarkIncomplete[] = " [-] incomplete, not checked";
constexpr char kMsgReadFailed[] = "Error: reading '%s' failed (Error %d)\n";
constexpr char kMsgPartCorrupt[] = "Part %d is corrupt, ";
constexpr char kMsgGapExpanded[] = "Gap %d was expanded to %" PRIx64 " .. %" PRIx64 "\n";
constexpr char kMsgGapAdded[] = "New Gap %" PRIx64 " .. %" PRIx64 " was added\n";

// How the part check tells what it could judge and what it found.
constexpr char kMarkFoundComplete[] = " [x] complete, found inside a gap";
constexpr char kMsgNoPartHashes[] =
    "The client has no part hashes for this download yet: its parts cannot be judged until it "
    "has them.\n";
constexpr char kMsgWrongPartHashCount[] =
    "Error: the metadata file holds %u part hashes, where a download of %llu bytes has %llu: no "
    "part is judged.\n";
constexpr char kMsgPartHashesDamaged[] =
    "Error: the stored part hashes do not match the file hash: no part is judged.\n";
constexpr char kMsgNoSize[] = "Error: the metadata file gives no size for the download: no part is judged.\n";
constexpr char kMsgDataLonger[] =
    "'%s' is %llu bytes, longer than the download's %llu: the bytes past its size are not part "
    "of it and are left as they are.\n";
constexpr char kMsgDataShorter[] =
    "'%s' is %llu bytes, shorter than the download's %llu: the bytes after its end are missing, "
    "and the parts they cut are not downloaded whole.\n";
constexpr char kMsgMissingGap[] = "The missing bytes: New Gap %" PRIx64 " .. %" PRIx64 " was added\n";
constexpr char kMsgPartsUnchanged[] =
    "No part is corrupt and no gap changes: '%s' is unchanged.\n";
constexpr char kMsgCheckSummary[] = "Parts: %s\n";
constexpr char kMsgAichIgnored[] = "The AICH hash set %s: it is ignored.\n";
constexpr char kMsgJudgedByAichAlone[] =
    "The stored part hashes cannot judge (%s): the parts are judged by their AICH hashes alone.\n";
