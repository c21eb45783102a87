// "--import SOURCE... X.part.met": the parts a download lacks taken from
// other copies of it (a second partial download, a damaged copy of the
// finished file, an old backup of the data file, a bundle of exported
// parts), each only when its bytes hash right, instead of downloaded again
// for days from rare sources.
#pragma once

#include <string>
#include <vector>

#include "download/download.h"

/// Looks in the sources (paths but the last) for every part of the download
/// (the last path) that a gap touches: at its own offset in a source of the
/// download's size, at every multiple of 9,728,000 bytes in any other. A
/// part is taken only when its bytes hash right by the download's trusted
/// hashes (MD4 the file hash vouches for, and the AICH set where one is
/// trusted). Only gap bytes are written into the data file, which is flushed
/// and hashed again, then the new metadata file goes in place through the
/// write-back. 0 when the import ran, whatever the sources held; 1 when it
/// was refused or failed; -1 for a command line it cannot take.
int RunImport(const std::vector<std::string>& paths, RunContext& run);
