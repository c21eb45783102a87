#include "app/run_options.h"

#include <cctype>
#include <initializer_list>

#include "app/app_messages.h"
#include "platform/console.h"

namespace {

bool EqualIgnoringCase(const std::string& a, const char* b) {
  size_t i = 0;
  for (; i < a.size() && b[i]; ++i) {
    if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i])))
      return false;
  }
  return i == a.size() && b[i] == '\0';
}

bool IsAnyOf(const std::string& entry, std::initializer_list<const char*> names) {
  for (const char* name : names) {
    if (EqualIgnoringCase(entry, name)) return true;
  }
  return false;
}

// The slash switches of Windows look like paths of the root on POSIX
// systems: a single word that is no existing file is taken for a switch,
// anything else for a path.
bool IsSwitch(const std::string& entry, const std::function<bool(const std::string&)>& exists) {
  if (entry.size() > 1 && entry[0] == '-') return true;
  if (entry.size() < 2 || entry[0] != '/') return false;
  if (entry.find_first_of("/\\", 1) != std::string::npos) return false;
  return !exists(entry);
}

// Sets what the switch asks for; false for a switch the tool does not know.
bool TakeSwitch(const std::string& entry, CommandLine& line) {
  if (IsAnyOf(entry, {"--rebuild", "/rebuild"})) {
    line.options.rebuild = true;
  } else if (IsAnyOf(entry, {"--complete", "/complete"})) {
    line.options.complete = true;
  } else if (IsAnyOf(entry, {"--nosparse", "/nosparse"})) {
    line.options.nosparse = true;
  } else if (IsAnyOf(entry, {"--check", "/check"})) {
    line.options.check = true;
  } else if (IsAnyOf(entry, {"--recover", "/recover"})) {
    line.options.recover = true;
  } else if (IsAnyOf(entry, {"-h", "--help", "-?", "/?"})) {
    line.help = true;
  } else if (entry == "-V" || IsAnyOf(entry, {"--version"})) {
    line.version = true;
  } else {
    return false;
  }
  return true;
}

}  // namespace

CommandLine ReadCommandLine(int argc, const char* const* argv,
                            const std::function<bool(const std::string&)>& exists) {
  CommandLine line;
  bool switchesEnded = false;
  for (int i = 1; i < argc; ++i) {
    const std::string entry = argv[i];
    if (entry.empty()) continue;  // names nothing
    if (!switchesEnded && entry == "--") {
      switchesEnded = true;
    } else if (!switchesEnded && IsSwitch(entry, exists)) {
      if (!TakeSwitch(entry, line) && line.unknownSwitch.empty()) line.unknownSwitch = entry;
    } else {
      line.paths.push_back(entry);
    }
  }
  return line;
}

std::string SwitchConflict(const RunOptions& options) {
  if (options.rebuild && options.complete)
    return Format(kMsgSwitchConflict, "--rebuild", "--complete");
  if (options.check && options.rebuild) return Format(kMsgSwitchConflict, "--check", "--rebuild");
  if (options.check && options.complete) return Format(kMsgSwitchConflict, "--check", "--complete");
  // A recovery writes the metadata file its own way.
  for (const auto& [set, name] : {std::make_pair(options.rebuild, "--rebuild"),
                                   std::make_pair(options.complete, "--complete"),
                                   std::make_pair(options.check, "--check"),
                                   std::make_pair(options.nosparse, "--nosparse")}) {
    if (options.recover && set) return Format(kMsgSwitchConflict, "--recover", name);
  }
  return "";
}

bool GivesSpaceBack(const RunOptions& options) {
  return !options.rebuild && !options.complete && !options.check;
}
