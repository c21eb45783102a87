// What "--recover" says: the files it looked at, the one it took or built,
// and why it stopped.
#pragma once

constexpr char kMsgRecoverUsage[] =
    "Error: --recover takes one download (X.part.met or X.part) and, to build its metadata "
    "file anew, its ed2k link: partsweep --recover X.part 'ed2k://|file|NAME|SIZE|HASH|/'\n";
constexpr char kMsgLookedMissing[] = "'%s': missing\n";
constexpr char kMsgLookedUnreadable[] = "'%s': cannot be read\n";
constexpr char kMsgLookedDamaged[] = "'%s': damaged, %s\n";
constexpr char kMsgLookedSound[] = "'%s': sound, file hash %s, saved %s\n";
constexpr char kMsgNothingToRecover[] = "'%s' is sound: nothing to recover.\n";
constexpr char kMsgSoundRefusesLink[] =
    "Error: '%s' is sound: nothing is built from the link, nothing is written.\n";
constexpr char kMsgHashesDisagree[] =
    "Error: the sound files name different downloads (file hash %s in '%s', %s in '%s'): they "
    "are not mixed, nothing is changed.\n";
constexpr char kMsgLinkDisagrees[] =
    "Error: the ed2k link names another download (file hash %s) than '%s' (%s): nothing is "
    "changed.\n";
constexpr char kMsgNoCandidate[] =
    "Error: no sound metadata file is left for '%s'. Give the download's ed2k link to build one: "
    "partsweep --recover %s 'ed2k://|file|NAME|SIZE|HASH|/'. Nothing is changed.\n";
constexpr char kMsgTaken[] = "Taken: '%s', %s.\n";
constexpr char kMsgNotTaken[] = "Not taken: '%s', %s.\n";
constexpr char kMsgLinkNotNeeded[] = "The ed2k link is not needed: a sound backup names the same download.\n";
constexpr char kMsgNoDataTime[] =
    "Error: the modification time of '%s' cannot be read, or lies outside 1970 to 2106 where a "
    "metadata file cannot note it: nothing is built. Give the file the current time (touch) and "
    "try again.\n";
constexpr char kMsgBuilding[] = "Building '%s' from the ed2k link and '%s' (%llu of %llu bytes).\n";
constexpr char kMsgDataTooLong[] =
    "Error: '%s' is %llu bytes, longer than the %llu bytes the link gives: it is not this "
    "download's data file, nothing is written.\n";
constexpr char kMsgLinkHashesUsed[] = "The link's %u part hashes hash to its file hash: they are written.\n";
constexpr char kMsgLinkHashesNotUsed[] =
    "The link's part hashes do not hash to its file hash: none are written, the client fetches "
    "them.\n";
constexpr char kMsgLinkRootBad[] = "The link's AICH root (h=) is not 32 base32 letters: it is not written.\n";
constexpr char kMsgRecovered[] = "'%s' is recovered from %s.\n";
constexpr char kMsgWouldBeRecovered[] = "'%s' would be recovered from %s.\n";
constexpr char kMsgStartClient[] =
    "Start the client to load the download; it must stay stopped while partsweep recovers one.\n";
