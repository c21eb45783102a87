#include "platform/command_line.h"

#include <windows.h>
#include <shellapi.h>

#include "platform/wide_names.h"

std::vector<std::string> CommandLineEntries(int argc, char** argv) {
  // The C runtime's argv went through the ANSI code page, which turns every
  // character outside it into '?'.
  int count = 0;
  wchar_t** wide = CommandLineToArgvW(GetCommandLineW(), &count);
  if (!wide) return std::vector<std::string>(argv, argv + argc);
  std::vector<std::string> entries;
  for (int i = 0; i < count; ++i) entries.push_back(Utf8Name(wide[i]));
  LocalFree(wide);
  return entries;
}
