#include "platform/path.h"

const char kPathSeparator = '/';

bool IsPathSeparator(char c) { return c == '/'; }

std::vector<std::string> ExpandWildcards(const std::string& entry) { return {entry}; }
