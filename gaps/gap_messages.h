// What a listing says. These texts are the program's established output,
// kept byte for byte as its users have always seen them.
#pragma once

constexpr char kMsgTagCount[] = "Tag Count : %u\n";
constexpr char kMsgGapCount[] = "Gap Count: %u (File Size: %s)\n";
constexpr char kMsgGapsIn[] = "Gaps in '%s':\n";
constexpr char kMsgGapLine[] = "\t%s ... %s (%s)";
constexpr char kMsgInvalidGap[] = "\t%s ... %s (invalid gap, skipped)\n";
constexpr char kMsgNoData[] = " ... [no data]\n";
constexpr char kMsgReleased[] = " ... Zeroing 100 %\n\n";
constexpr char kMsgZeroing[] = " ... Zeroing %3u %%";
constexpr char kMsgGapError[] = " ... Error %d\n";
constexpr char kMsgStopped[] = "Error: another program opened '%s', nothing more is cleared.\n";
// Said of a gap's piece inside a part listed as corrupt: the client mends
// such a part from its old bytes, so they are not given back.
constexpr char kMsgKept[] = " ... kept for the client's recovery\n";
constexpr char kMsgCleanedSpace[] = "Cleaned space in '%s': %s\n";
