// The parts a listing must keep: a client writes a block into the data file
// at once but notes it in the metadata file only minutes later, so after a
// crash (or a restore of an older metadata file) the gaps cover parts that
// are downloaded and sound. A part whose bytes hash right is the client's.
#pragma once

#include <optional>
#include <vector>

#include "download/download.h"

/// Judges every part that a valid gap overlaps and whose gap pieces hold
/// data (holes and zeros lose nothing when cleared, and are not hashed),
/// by the download's trustworthy hashes (the part hashes its file hash
/// vouches for, its file hash for a download of one part, or a trusted
/// AICH set alone), in the lanes of a part check. Gives the parts found
/// complete, in order: none where no hash can be trusted. Nothing, after
/// the message, when the data file cannot be read: then nothing is known.
std::optional<std::vector<uint32_t>> CompletePartsInGaps(const Download& download, RunContext& run);
