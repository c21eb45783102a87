// Which paths are taken for a download's metadata file: only names a
// metadata file or a backup of one has, so that a data file given by a slip
// is never loaded, let alone rewritten.
#pragma once

#include <string>

class FileSystem;

/// What a run does with the metadata file it is given.
enum class MetUse { Read, Clear, Rewrite };

/// The line that turns `path` down as a metadata file, or "" when it is
/// taken: a name ending in .met (any case), or for reading alone a backup of
/// one (see LiveMetPath). A rewrite writes only a file named *.met, and names
/// it for a backup; a listing clears no gap on a backup's word, as the data
/// file may hold what was downloaded since the backup was made. A data file
/// whose metadata file lies beside it is told so, with that file's name.
std::string MetPathRefusal(const std::string& path, MetUse use, FileSystem& disk);
