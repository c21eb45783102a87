// What the run says about the files of a download it loads, finds and
// writes. These texts are the program's established output, kept byte for
// byte as its users have always seen them.
#pragma once

constexpr char kMsgNewTagCount[] = "Tag Count : %u\n";
constexpr char kMsgDataFileGiven[] =
    "Error: '%s' is the data file of a download; give its metadata file '%s'.\n";
constexpr char kMsgNotMetName[] =
    "Error: '%s' is not named like a metadata file (X.part.met) or a backup of one "
    "(X.part.met.bak), it is not touched.\n";
constexpr char kMsgBackupNotRewritten[] =
    "Error: '%s' is a backup, it is not rewritten; give the metadata file '%s'.\n";
constexpr char kMsgBackupNotCleared[] =
    "Error: '%s' is a backup, its gaps are not cleared: '%s' may hold data downloaded since; "
    "give the metadata file '%s'.\n";
constexpr char kMsgNameTagNotUsed[] =
    "The name tag names '%s', but the clients read the data file named like the metadata file: "
    "'%s' is used.\n";

constexpr char kMsgCannotOpenMet[] = "Error opening '%s' (Error %d)\n";
constexpr char kMsgMetTooLarge[] = "Error: .met file is too large, can't be loaded!\n";
constexpr char kMsgNoBuffer[] = "Error creating buffer for %s\n";
// Said after a failed load, only where the run then waits for the key.
constexpr char kMsgPressAnyKey[] = "Press any key\n";
constexpr char kMsgPressAnyKeyBang[] = "Press any key!\n";

constexpr char kMsgNotRegular[] = "Error: '%s' is not a regular file, it is not touched.\n";
constexpr char kMsgUntrustedLink[] =
    "Error: '%s' is another user's symbolic link to a file that user does not own, it is not "
    "followed.\n";
constexpr char kMsgIsMetadataFile[] =
    "Error: '%s' is a metadata file or a backup of one, not a data file: it is not touched.\n";
constexpr char kMsgNoDataFile[] =
    "Error: no data file is known for '%s': its name does not end in .met and it names none.\n";
constexpr char kMsgNameNotPlain[] =
    "Error: part file name '%s' is not a plain file name, it is ignored.\n";
constexpr char kMsgCannotOpenPart[] = "Can't open part file '%s' (Error %d)\n";
constexpr char kMsgCannotOpenPartForHashing[] = "Error: Can't open partfile %s\n";
constexpr char kMsgHeldOpen[] =
    "Error: '%s' is held open by another program (Error %d); close the client first.\n";
constexpr char kMsgHeldOpenWhy[] =
    "'%s' is held open by another program; close the client first.\n";

constexpr char kMsgTooLargeToLoad[] =
    "Error: the new file would be %llu bytes, more than the %u bytes partsweep can load\n";
constexpr char kMsgUnchanged[] = "Error: '%s' was not rewritten, it is unchanged.\n";
constexpr char kMsgCannotCreate[] = "Error: can't create '%s' (Error %d)\n";
constexpr char kMsgWriteFailed[] = "Error: writing '%s' failed (Error %d)\n";
constexpr char kMsgCannotBackUp[] = "Error: can't back up '%s' as '%s' (Error %d)\n";
constexpr char kMsgCannotRename[] = "Error: can't rename '%s' to '%s' (Error %d)\n";
constexpr char kMsgFolderFlushFailed[] = "Error: flushing the folder of '%s' failed (Error %d)\n";
constexpr char kMsgNewInPlace[] = "Error: '%s' holds the new file, the old one is '%s'.\n";
constexpr char kMsgOldNotBack[] =
    "Error: '%s' was not rewritten, and the old file could not go back to its name: it is '%s'.\n";

// How the gap tags were read, where the clients read them otherwise.
constexpr char kMsgStaleGapTags[] =
    "%u gap tags without an index were passed over: the clients read only the indexed ones, "
    "which are this file's gaps.\n";
constexpr char kMsgOneByteGapTags[] =
    "The gap tags have no index: the clients read none of them and take the download for "
    "complete; partsweep reads them as its gaps.\n";
constexpr char kMsgRehash[] =
    "'%s' has another time than the metadata file notes: the client will hash the whole download "
    "again on its next start.\n";

// What the write-back says beside the install's own messages.
constexpr char kMsgMetReplaced[] =
    "Error: '%s' was replaced by another program while partsweep worked on it: the new file is "
    "left as it is and nothing is written. Stop the client and run partsweep again.\n";
constexpr char kMsgDryRunRewrite[] =
    "Dry run: nothing was written. '%s' would be rewritten (%llu bytes), the old file kept as a "
    "backup.\n";
constexpr char kMsgDryRunCreate[] = "Dry run: nothing was written. '%s' would be created (%llu bytes).\n";
constexpr char kMsgDataFileLinked[] =
    "Error: '%s' has %u names (hard links): it may be another download's data file too, so its "
    "gaps are not cleared.\n";
