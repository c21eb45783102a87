// Finding a download's data file from its metadata file: the name it has
// beside it, or the name its metadata file records.
#pragma once

#include <optional>
#include <string>

#include "platform/disk.h"

struct TagRecord;
class Console;

/// The data file a metadata path stands for: X.part for X.part.met, and for
/// its backups X.part.met.old, X.part.met.bak and X.part.met.000 (any case).
/// "" for any other name, which says nothing about a data file.
std::string DefaultPartFilePath(const std::string& metPath);

/// True for a name that only a metadata file or a backup has: ending in
/// .met, .old, .bak, or a point and three or more digits (any case).
bool IsMetadataFileName(const std::string& path);

/// True for a tag that names the data file: the part-file-name tag with a
/// text value. A number is never taken as a name.
bool IsPartFileNameTag(const TagRecord& tag);

/// The data file that a part-file-name tag points to: its name in the
/// metadata file's folder. A name that could lead out of that folder (not a
/// plain file name) is reported and `partPath` keeps what it held, so that a
/// metadata file can never send the work to another file on the disk.
void ApplyPartFileName(const std::string& metPath, const std::string& name, std::string* partPath,
                       Console& console);

/// Why the open file at `partPath` (reached at `finalPath`) must not be
/// worked on as the data file of `metPath`, or nothing: it is the metadata
/// file itself or one of its backups (by identity, whatever its name), or it
/// is named like one.
std::optional<std::string> RefuseMetadataFile(const std::string& metPath,
                                              const std::string& partPath,
                                              const std::string& finalPath, File& file,
                                              Disk& disk);

/// The line that says why the tool turned down the file at `path`.
std::string RefusalMessage(const std::string& path, OpenRefusal refusal);

/// The line for a metadata path whose name tells no data file and whose
/// tags name none either.
std::string NoDataFileMessage(const std::string& metPath);
