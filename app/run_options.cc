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
  RunOptions& options = line.options;
  for (const Mode& mode : Modes()) {
    if (!mode.dashName || !IsAnyOf(entry, {mode.dashName, mode.slashName})) continue;
    if (!Asks(options, mode.id)) options.modes.push_back(mode.id);
    return true;
  }
  const std::vector<Modifier>& modifiers = Modifiers();
  bool* flags[] = {&options.nosparse, &options.dryRun, &options.json};
  for (size_t i = 0; i < modifiers.size(); ++i) {
    for (const char* name : modifiers[i].names) {
      // Short forms are exact: -n is not -N.
      const bool matches = name[1] == '\0' || name[2] == '\0' ? entry == name : EqualIgnoringCase(entry, name);
      if (!matches) continue;
      *flags[i] = true;
      return true;
    }
  }
  if (IsAnyOf(entry, {"-h", "--help", "-?", "/?"})) {
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

const Mode& ChosenMode(const RunOptions& options) {
  return ModeOf(options.modes.empty() ? ModeId::Listing : options.modes.front());
}

bool Asks(const RunOptions& options, ModeId id) {
  for (ModeId asked : options.modes) {
    if (asked == id) return true;
  }
  return false;
}

std::string SwitchConflict(const RunOptions& options) {
  // Modes pick one thing each; the later one in the table is named first.
  const std::vector<Mode>& modes = Modes();
  for (size_t later = 0; later < modes.size(); ++later) {
    if (!Asks(options, modes[later].id)) continue;
    for (size_t earlier = 0; earlier < later; ++earlier) {
      if (Asks(options, modes[earlier].id))
        return Format(kMsgSwitchConflict, modes[later].dashName, modes[earlier].dashName);
    }
  }
  const bool flags[] = {options.nosparse, options.dryRun, options.json};
  const std::vector<Modifier>& modifiers = Modifiers();
  for (size_t i = 0; i < modifiers.size(); ++i) {
    if (!flags[i]) continue;
    for (ModeId refused : modifiers[i].refusedWith) {
      if (Asks(options, refused))
        return Format(kMsgSwitchConflict, ModeOf(refused).dashName, modifiers[i].names[0]);
    }
  }
  return "";
}
