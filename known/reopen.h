// "--reopen known.met FILE [TEMP_FOLDER]": a damaged completed file made a
// download again, so that the client fetches only its bad parts. Today a user
// must copy the file over a new .part by hand and make the client hash it.
#pragma once

#include <string>
#include <vector>

#include "download/download.h"

/// Judges FILE (paths[1]) against the record of its name and size in
/// known.met (paths[0]); a corrupt one is moved, by a rename on its file
/// system, to the next free NNN.part of the Temp folder (paths[2], else the
/// client's as its configuration names it), and NNN.part.met is written
/// last, through the write-back: the file's part hashes and AICH tags, its
/// corrupt parts as gaps and on the corrupted-parts list, the header time the
/// data file's. A sound file is left where it is. 0 when the file was
/// reopened or is sound, 1 when it was refused or failed (nothing changed),
/// -1 for a command line it cannot take.
int RunReopen(const std::vector<std::string>& paths, RunContext& run);
