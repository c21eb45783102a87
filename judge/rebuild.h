// "--rebuild" and "--check": every part judged by its hashes; a rebuild then
// turns the corrupt ones into gaps and writes the metadata file, a check
// only says what it found.
#pragma once

#include "download/download.h"

/// Judges the parts and rewrites the metadata file with the gaps and the
/// corrupted-parts list they call for, and the data file's time in its
/// header; writes nothing where nothing changes. 0 when it did its job.
int RunRebuild(Download& download, RunContext& run);

/// Judges the parts as a rebuild does and writes nothing: 0 when the hashes
/// can be trusted and every part they judged is sound.
int RunCheck(Download& download, RunContext& run);
