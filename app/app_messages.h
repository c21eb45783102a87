// What the run says about the command line, the files it loads, finds and
// writes. These texts are the program's established output, kept byte for
// byte as its users have always seen them.
#pragma once

constexpr char kUsageText[] =
    "eMule .part file partsweep v1.4.\n"
    "Usage: partsweep <part.met file> [/rebuild] [/complete]\n\n"
    "\t/rebuild:\trecalc. checksum and creates gaps for corrupted parts\n"
    "\t/complete:\tremoves all gaps so that the file seems to be complete\n"
    "\t/nosparse:\tDon't create sparse file, but clears with zeroes.";

constexpr char kMsgVersion[] = "partsweep %s\n";
constexpr char kMsgUnknownSwitch[] = "Error: unknown switch '%s'\n";
constexpr char kMsgNoDownloadsIn[] = "Error: no .part.met file in '%s'\n";

constexpr char kMsgCannotOpenMet[] = "Error opening '%s' (Error %d)\nPress any key\n";
constexpr char kMsgMetTooLarge[] = "Error: .met file is too large, can't be loaded!\nPress any key!\n";
constexpr char kMsgNoBuffer[] = "Error creating buffer for %s\nPress any key!\n";

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

constexpr char kMsgTooLargeToLoad[] =
    "Error: the new file would be %llu bytes, more than the %u bytes partsweep can load\n";
constexpr char kMsgUnchanged[] = "Error: '%s' was not rewritten, it is unchanged.\n";
constexpr char kMsgCannotCreate[] = "Error: can't create '%s' (Error %d)\n";
constexpr char kMsgWriteFailed[] = "Error: writing '%s' failed (Error %d)\n";
constexpr char kMsgCannotBackUp[] = "Error: can't back up '%s' as '%s' (Error %d)\n";
constexpr char kMsgCannotRename[] = "Error: can't rename '%s' to '%s' (Error %d)\n";
constexpr char kMsgFolderFlushFailed[] = "Error: flushing the folder of '%s' failed (Error %d)\n";
constexpr char kMsgNewInPlace[] = "Error: '%s' holds the new file, the old one is '%s'.\n";
