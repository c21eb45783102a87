#include "app/run_options.h"

#include <cctype>
#include <initializer_list>

namespace {

bool EqualIgnoringCase(const char* a, const char* b) {
  for (; *a && *b; ++a, ++b) {
    if (std::tolower(static_cast<unsigned char>(*a)) != std::tolower(static_cast<unsigned char>(*b)))
      return false;
  }
  return *a == *b;
}

}  // namespace

RunOptions ScanSwitches(int argc, const char* const* argv) {
  RunOptions options;
  for (int i = 0; i < argc; ++i) {
    if (EqualIgnoringCase(argv[i], "/rebuild"))
      options.rebuild = true;
    else if (EqualIgnoringCase(argv[i], "/complete"))
      options.complete = true;
    else if (EqualIgnoringCase(argv[i], "/nosparse"))
      options.nosparse = true;
  }
  return options;
}

bool IsHelpRequest(int argc, const char* const* argv) {
  if (argc != 2) return false;
  for (const char* help : {"--help", "-h", "-?", "/?"}) {
    if (EqualIgnoringCase(argv[1], help)) return true;
  }
  return false;
}
