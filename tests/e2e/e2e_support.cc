#include "tests/e2e/e2e_support.h"

ProcessResult RunTool(const std::string& folder, const std::vector<std::string>& args,
                      const std::string& input) {
  std::vector<std::string> command{PARTSWEEP_BINARY};
  command.insert(command.end(), args.begin(), args.end());
  return RunProcess(command, folder, input);
}

std::string Lines(const std::string& text) { return text; }
