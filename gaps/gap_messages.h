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
constexpr char kMsgGapsNotListed[] = "\t... %u gaps more, not listed one by one ...\n";
constexpr char kMsgCleanedSpace[] = "Cleaned space in '%s': %s\n";
// Said of a gap's piece inside a part whose bytes are all there and hash
// right: the client has it, whatever the metadata file says.
constexpr char kMsgKeptComplete[] = " ... complete, found inside a gap: kept\n";
constexpr char kMsgPartsKept[] =
    "%u parts whose bytes hash right were kept, though the metadata file lists them as gaps: "
    "partsweep --rebuild records them, so that the client need not hash the download again.\n";
constexpr char kMsgPastSize[] = " ... past the download's size, not cleared\n";
// Data overwritten with zeros: its storage stays taken.
constexpr char kMsgZeroedSpace[] =
    "Written over with zeros in '%s': %s, whose space the file system keeps\n";
// What a dry run says instead of clearing.
constexpr char kMsgWouldRelease[] = " ... would give back %s\n";
constexpr char kMsgWouldZero[] = " ... would write zeros over %s\n";
constexpr char kMsgWouldBeCleaned[] = "Would be cleaned in '%s': %s\n";
constexpr char kMsgWouldBeZeroed[] =
    "Would be written over with zeros in '%s': %s, whose space the file system keeps\n";

// What a new metadata file declares: its gaps and the completion they leave.
constexpr char kMsgGapSummary[] = "Gaps: %u, %llu of %llu bytes missing: %.1f %% complete\n";
constexpr char kMsgSummaryGap[] = "\tGap %u: %llu .. %llu\n";
