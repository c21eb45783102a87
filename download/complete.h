// "--complete": the metadata file rewritten without its gaps, so that the
// client takes the download for complete.
#pragma once

#include "download/download.h"

/// Rewrites the download's metadata file without gaps, but for the bytes a
/// shorter data file lacks, which stay a gap (the client would find them
/// missing and fetch them anyway). 0 when it was written.
int RunComplete(Download& download, RunContext& run);
