// Finding a download's data file from the name its metadata file records.
#pragma once

#include <string>

struct TagRecord;
class Console;

/// True for a tag that names the data file: the part-file-name tag with a
/// text value. A number is never taken as a name.
bool IsPartFileNameTag(const TagRecord& tag);

/// The data file that a part-file-name tag points to: its name in the
/// metadata file's folder. A name that could lead out of that folder (not a
/// plain file name) is reported and `partPath` keeps what it held, so that a
/// metadata file can never send the work to another file on the disk.
void ApplyPartFileName(const std::string& metPath, const std::string& name, std::string* partPath,
                       Console& console);
