// A copy of a download's file for the test peer, which compares the data
// file's time with the metadata file's time stamp, and whose downloads may
// be sparse files of several GB.
#pragma once

#include <string>

/// Copies `from` to `to` (replacing it) with the same size, bytes and
/// modification time, writing only the ranges that hold data, so that holes
/// stay holes. False with the reason in `error`.
bool CopySparseKeepingTime(const std::string& from, const std::string& to, std::string* error);
