// What the run says about the command line and a batch. These texts are the program's established output, kept byte for
// byte as its users have always seen them.
#pragma once

constexpr char kUsageText[] =
    "eMule .part file partsweep v1.4.\n"
    "Usage: partsweep <part.met file> [/rebuild] [/complete]\n\n"
    "\t/rebuild:\trecalc. checksum and creates gaps for corrupted parts\n"
    "\t/complete:\tremoves all gaps so that the file seems to be complete\n"
    "\t/nosparse:\tDon't create sparse file, but clears with zeroes.";

// What --help prints is made from the table of modes (app/modes.h); the
// usage text above stays what a mistake on the command line prints.

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
constexpr char kMsgBatchZeroed[] = "; written over with zeros: %s";
