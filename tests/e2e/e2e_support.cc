#include "tests/e2e/e2e_support.h"

#include "platform/console.h"

ProcessResult RunTool(const std::string& folder, const std::vector<std::string>& args,
                      const std::string& input) {
  std::vector<std::string> command{PARTSWEEP_BINARY};
  command.insert(command.end(), args.begin(), args.end());
  ChildOptions options;
  options.folder = folder;
  options.input = input;
  return RunProcess(command, options);
}

std::string Lines(const std::string& text) {
  std::string lines;
  for (char c : text) {
    if (c == '\n')
      lines += kConsoleLineEnd;
    else
      lines += c;
  }
  return lines;
}

std::string ClearedGapOutput(bool releases, uint64_t length, uint64_t inside) {
  if (releases) return " ... Zeroing 100 %\n\n";
  if (inside == 0) return "\n";
  return Format(" ... Zeroing %3u %%\n", static_cast<unsigned>(inside * 100 / length));
}
