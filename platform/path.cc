#include "platform/path.h"

#include <cctype>

std::string RemoveFileSpec(const std::string& path) {
  size_t last = std::string::npos;
  for (size_t i = 0; i < path.size(); ++i) {
    if (IsPathSeparator(path[i])) last = i;
  }
  if (last == std::string::npos) return "";
  // The root keeps its separator: "/x" lies in "/", "C:\x" in "C:\".
  bool isRoot = last == 0 || (kPathSeparator == '\\' && last == 2 && path[1] == ':');
  return path.substr(0, isRoot ? last + 1 : last);
}

std::string AppendPath(const std::string& folder, const std::string& name) {
  if (folder.empty()) return name;
  if (IsPathSeparator(folder.back())) return folder + name;
  return folder + kPathSeparator + name;
}

bool IsPlainFileName(const std::string& name) {
  if (name.empty() || name == "." || name == "..") return false;
  return name.find_first_of("/\\:") == std::string::npos;
}

bool EndsWithIgnoringCase(const std::string& path, const std::string& suffix) {
  if (path.size() < suffix.size()) return false;
  for (size_t i = 0; i < suffix.size(); ++i) {
    if (std::tolower(static_cast<unsigned char>(path[path.size() - suffix.size() + i])) != suffix[i])
      return false;
  }
  return true;
}
