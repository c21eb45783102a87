// The check of "/rebuild": every part hashed and compared with its stored
// hash, and corrupt parts turned into gaps.
#pragma once

#include <string>

#include "met/met_image.h"
#include "rewrite/met_rewrite.h"

class Console;
class Disk;
struct HashRoutines;

/// Hashes every part of the data file at `partPath`, prints each digest
/// against the stored part hash, then makes every corrupt part that no gap
/// covers a gap: the first gap that touches it grows over it, else a new gap
/// is added. False, after its message, when the data file cannot be opened
/// or read: then nothing was checked and nothing may be rewritten.
bool CheckParts(const MetImage& image, RewriteState& state, const std::string& partPath,
                const HashRoutines& routines, Disk& disk, Console& console);
