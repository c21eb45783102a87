#include "platform/path.h"

#include <windows.h>

#include <algorithm>

#include "platform/wide_names.h"

const char kPathSeparator = '\\';

bool IsPathSeparator(char c) { return c == '\\' || c == '/'; }

std::vector<std::string> ExpandWildcards(const std::string& entry) {
  const size_t last = entry.find_last_of("\\/:");
  const std::string name = last == std::string::npos ? entry : entry.substr(last + 1);
  if (name.find_first_of("*?") == std::string::npos) return {entry};
  // The folder as given: the matches are named in it.
  const std::string folder = last == std::string::npos ? "" : entry.substr(0, last + 1);
  WIN32_FIND_DATAW found;
  HANDLE search = FindFirstFileW(WideName(entry).c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) return {entry};
  std::vector<std::string> paths;
  do {
    if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
      paths.push_back(folder + Utf8Name(found.cFileName));
  } while (FindNextFileW(search, &found));
  FindClose(search);
  std::sort(paths.begin(), paths.end());
  return paths.empty() ? std::vector<std::string>{entry} : paths;
}
