// Finding and opening a download's data file: named like its metadata file,
// or by the name that file records, and never another download's file, a
// metadata file, or a file someone else planted a link to.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "platform/disk.h"

class Console;

/// The download's own metadata path for the path of one of its backups
/// (X.part.met for X.part.met.old, .bak, .backup or .000, any case); any
/// other path as it is.
std::string LiveMetPath(const std::string& metPath);

/// The data file a metadata path stands for: X.part for X.part.met, and for
/// its backups X.part.met.old, .bak, .backup and .000 (any case).
/// "" for any other name, which says nothing about a data file.
std::string DefaultPartFilePath(const std::string& metPath);

/// True for the name a client gives a download's metadata file: ending in
/// .part.met (any case).
bool IsDownloadMetName(const std::string& name);

/// True for a name that only a metadata file or a backup has: ending in
/// .met, .old, .bak, .backup, or a point and three or more digits (any case).
bool IsMetadataFileName(const std::string& path);

/// The download's data file: the one named like the metadata file where it
/// exists, as the clients read it; else the file that the last of the
/// metadata file's part-file names (`names`, in order) gives in the metadata
/// file's folder; "" when neither tells one. A name tag left from before a
/// download was renamed must not send the work to another download's data.
/// A name that could lead out of that folder is ignored, and the line that
/// says so goes to `notes`, so that a metadata file can never send the work
/// elsewhere; so does the line for a name tag naming another file.
std::string FindDataFile(const std::string& metPath, const std::vector<std::string>& names,
                         Disk& disk, std::string* notes);

/// Opens the data file to clear its gaps, with no other user. Nothing, after
/// the message, when it cannot be opened, is no regular file, is reached
/// through another user's link, or is the metadata file or one of its
/// backups (whatever its name) or named like one.
std::optional<File> OpenForClearing(const std::string& metPath, const std::string& partPath,
                                    Disk& disk, Console& console);

/// Opens the data file to hash its parts, while nobody writes it. Nothing,
/// after the message, when it cannot be.
std::optional<File> OpenForHashing(const std::string& metPath, const std::string& partPath,
                                   Disk& disk, Console& console);

/// Opens the data file only to read it, also while a client holds it open:
/// a check writes nothing. Nothing, after the message, when it cannot be.
std::optional<File> OpenToCheck(const std::string& metPath, const std::string& partPath,
                                Disk& disk, Console& console);

/// True, after saying so, when another program has the data file open: a
/// running client keeps its own copy of the metadata and would overwrite a
/// rewritten file at its next save.
bool ReportIfInUse(const std::string& partPath, Disk& disk, Console& console);

/// True when the file of `identity` is the metadata file of `metPath` or
/// one of the backups a client or a rewrite keeps beside it, whatever its name.
bool IsMetadataOrBackup(Disk& disk, const std::string& metPath, const FileIdentity& identity);

/// The line that says why the tool turned down the file at `path`.
std::string RefusalMessage(const std::string& path, OpenRefusal refusal);
