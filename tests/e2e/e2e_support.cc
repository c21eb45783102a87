#include "tests/e2e/e2e_support.h"

#include <algorithm>

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
  std::string output;
  const uint64_t kChunk = 131072;
  for (uint64_t done = 0; done < inside;) {
    done = std::min(done + kChunk, inside);
    output += Format(" ... Zeroing %3u %%", static_cast<unsigned>(done * 100 / length));
  }
  return output + "\n";
}
