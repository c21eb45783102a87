// The default mode: the gaps of a download listed and their disk space given
// back, never a byte of a part the client has complete.
#pragma once

#include "download/download.h"

/// Lists the download's gaps and gives their space back: 0 when every gap
/// it was to clear was cleared and the tags were read whole.
int RunListing(Download& download, RunContext& run);
