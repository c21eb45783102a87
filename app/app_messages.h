// What the run says about the command line and a batch. These texts are the program's established output, kept byte for
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

constexpr char kMsgDownloadHeading[] = "Download %u of %u: '%s'\n";
constexpr char kMsgBatchDone[] = "%u downloads: %u done";
constexpr char kMsgBatchFailed[] = ", %u failed";
constexpr char kMsgBatchCleaned[] = "; cleaned space in all: %s";
