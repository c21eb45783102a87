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

/// What --help prints: the whole command line. The usage text above stays
/// what a mistake on the command line prints.
constexpr char kHelpText[] =
    "eMule .part file partsweep v1.4.\n"
    "Usage: partsweep [switches] <part.met file | folder>...\n"
    "\n"
    "Lists the gaps of every download named and gives their disk space back, or\n"
    "rewrites its metadata file. Stop the client first.\n"
    "\n"
    "Paths:\n"
    "  X.part.met      the metadata file of a download, whose data file is X.part\n"
    "  X.part.met.old  a backup of one (also .bak, .backup, .000, .001 ...): read as\n"
    "                  the download's metadata file by --check, never cleared or\n"
    "                  rewritten\n"
    "  folder          every *.part.met in it, in the order of their names\n"
    "  Several paths are worked on in turn; on Windows * and ? are expanded too.\n"
    "\n"
    "Switches, in either form and any case:\n"
    "  (none)                  list the gaps and give their space back\n"
    "  --nosparse  /nosparse   give it back by writing zeros, not by releasing it\n"
    "  --rebuild   /rebuild    check every complete part against its MD4 hash, turn\n"
    "                          corrupt parts into gaps, rewrite the metadata file\n"
    "  --complete  /complete   rewrite the metadata file without its gaps\n"
    "  --check     /check      check the parts as --rebuild does, but write nothing\n"
    "  --recover   /recover    bring back a damaged or lost metadata file from its\n"
    "                          backups: partsweep --recover X.part.met, or build it\n"
    "                          from an ed2k link: partsweep --recover X.part 'ed2k://...'\n"
    "  -h --help   -? /?       print this text\n"
    "  -V --version            print the version\n"
    "  --                      end the switches: every argument after it is a path\n"
    "  --rebuild, --complete, --check and --recover cannot be used together.\n"
    "\n"
    "Environment:\n"
    "  PARTSWEEP_READS=parallel|sequential\n"
    "                          how --rebuild and --check read the parts; unset,\n"
    "                          as the storage suits\n"
    "\n"
    "Exit status: 0 when every download was done, 1 after a failure, 255 after a\n"
    "mistake on the command line.\n";

constexpr char kMsgVersion[] = "partsweep %s\n";
constexpr char kMsgUnknownSwitch[] = "Error: unknown switch '%s'\n";
constexpr char kMsgSwitchConflict[] = "Error: %s and %s cannot be used together\n";
constexpr char kMsgUnknownReads[] =
    "Error: PARTSWEEP_READS is '%s', which partsweep does not know: set it to parallel or "
    "sequential, or unset it\n";
constexpr char kMsgNoDownloadsIn[] = "Error: no .part.met file in '%s'\n";

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

constexpr char kMsgDownloadHeading[] = "Download %u of %u: '%s'\n";
constexpr char kMsgBatchDone[] = "%u downloads: %u done";
constexpr char kMsgBatchFailed[] = ", %u failed";
constexpr char kMsgBatchCleaned[] = "; cleaned space in all: %s";

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
