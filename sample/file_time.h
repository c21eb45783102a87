// The modification time of a file, which the download clients compare with
// the time stamp in a metadata file to decide whether to re-hash the data.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <utility>

/// Sets the file's modification time to `unixSeconds`; 0 or the system's
/// error code.
int SetModificationTime(const std::string& path, int64_t unixSeconds);

/// The file's modification time in whole seconds since 1970, or nothing
/// when it cannot be read.
std::optional<int64_t> ModificationTime(const std::string& path);

/// The file's access and modification times, in the system's finest units,
/// or nothing when they cannot be read: to tell whether a run kept them.
std::optional<std::pair<int64_t, int64_t>> AccessAndModificationTimes(const std::string& path);
