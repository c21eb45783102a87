// "--recover": brings back a download whose metadata file is damaged or
// lost, from the best backup beside it or, when none is sound, from its
// ed2k link and its data file. The data file's bytes are never touched.
#pragma once

#include <string>
#include <vector>

#include "download/download.h"

/// Recovers the download that `paths` names: its metadata file or data file,
/// and optionally its ed2k link. 0 when it was recovered or needs nothing,
/// 1 when it was refused or failed (nothing changed), -1 for a command line
/// it cannot take. A dry run says what it would write and writes nothing.
int RunRecovery(const std::vector<std::string>& paths, RunContext& run);
