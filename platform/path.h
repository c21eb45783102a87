// File paths, with the platform's separators.
#pragma once

#include <string>
#include <vector>

/// The path without its last component and the separator before it, as the
/// folder that holds the file: "" for a bare name, the root for a file in it.
std::string RemoveFileSpec(const std::string& path);

/// Joins a folder and a name with one separator; a bare name when the
/// folder is "".
std::string AppendPath(const std::string& folder, const std::string& name);

/// True for a name that stays inside the folder it is joined to: not
/// empty, not "." or "..", and without '/', '\\' or ':'.
bool IsPlainFileName(const std::string& name);

/// True when `path` ends in `suffix` (given in lower case), whatever the
/// case of its letters: the clients' suffixes (.met, .part) are so matched.
bool EndsWithIgnoringCase(const std::string& path, const std::string& suffix);

/// True for a character that separates path components on this platform.
bool IsPathSeparator(char c);

/// The separator this platform writes between components.
extern const char kPathSeparator;

/// The paths a command-line entry stands for: on Windows, whose shell leaves
/// wildcards to the program, every file that `*` and `?` in the entry's last
/// component match, in name order (the entry itself when none does); on
/// other systems, whose shells expand them, the entry itself.
std::vector<std::string> ExpandWildcards(const std::string& entry);
