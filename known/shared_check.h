// "--check known.met [FOLDER...]": the files a client has completed and
// shares, checked against its own record of them. eMule checks none of them,
// aMule only inside the running client; a disk that rots, a copy that went
// wrong or a file cut by a full disk is uploaded to others unnoticed.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "download/download.h"
#include "known/shared_files.h"

/// True for a path whose file name is known.met (any case): --check then
/// checks the files that record lists.
bool NamesKnownMet(const std::string& path);

/// Checks every file known.met (paths[0]) lists that is found in the
/// folders given (paths[1...]), or else in the client's Incoming and shared
/// folders as its configuration beside known.met names them. A line a file,
/// then a summary; with --json an object a file and one for the check. 0
/// when every file judged is sound, 1 otherwise. Nothing is written.
int RunSharedCheck(const std::vector<std::string>& paths, RunContext& run);
