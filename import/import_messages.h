// What an import of parts from other copies says.
#pragma once

constexpr char kMsgImportUsage[] =
    "Error: --import takes the copies to take parts from, then the download: partsweep --import "
    "SOURCE... X.part.met\n";
constexpr char kMsgImportNoHashes[] =
    "Error: the download's part hashes cannot be trusted, so no part of another copy can be "
    "verified: nothing is imported.\n";
constexpr char kMsgImportNothingNeeded[] = "Every part of the download is complete: nothing to import.\n";
constexpr char kMsgSourceSameOffsets[] = "Source '%s': %llu bytes, read at the download's own offsets\n";
constexpr char kMsgSourceAsParts[] =
    "Source '%s': %llu bytes, read as parts at every 9,728,000 bytes\n";
constexpr char kMsgSourceUnreadable[] = "Error: source '%s' cannot be read (Error %d): it is passed over.\n";
constexpr char kMsgSourceFolder[] = "Error: source '%s' is a folder: it is passed over.\n";
constexpr char kMsgSourceIsData[] =
    "Error: source '%s' is the download's own data file: it is passed over.\n";
constexpr char kMsgSourceIsMet[] =
    "Error: source '%s' is a metadata file or the backup of one, not a copy of the download: it "
    "is passed over.\n";
constexpr char kMsgSourceReadFailed[] =
    "Error: reading source '%s' failed (Error %d): what it held so far is kept.\n";
constexpr char kMsgPartImported[] = "Part %u: imported from '%s'\n";
constexpr char kMsgPartWouldImport[] = "Part %u: would be imported from '%s'\n";
constexpr char kMsgPartNotSound[] =
    "Error: part %u does not hash right in '%s' after the write: it stays a gap.\n";
constexpr char kMsgPartsNoSource[] = "Parts no source had: %s\n";
constexpr char kMsgImportCompletion[] = "Completion: %.1f %% before, %.1f %% after\n";
constexpr char kMsgImportWriteFailed[] =
    "Error: writing '%s' failed (Error %d): the metadata file is left as it was, which lists every "
    "byte written as a gap.\n";
