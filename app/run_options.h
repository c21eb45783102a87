// The command line: switches, paths, help and version.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "app/modes.h"

/// What the switches ask for; a flag once set stays set.
struct RunOptions {
  /// The modes asked for, in the order of the table; none asks for the listing.
  std::vector<ModeId> modes;
  bool nosparse = false;
  /// Show what would be cleared or written, and change nothing.
  bool dryRun = false;
  /// Print the report as JSON Lines for programs, not the text for people.
  bool json = false;
};

/// The mode the options choose: the one asked for, or the listing.
const Mode& ChosenMode(const RunOptions& options);

/// True when `id` was asked for.
bool Asks(const RunOptions& options, ModeId id);

/// The command line, read.
struct CommandLine {
  RunOptions options;
  /// The metadata paths (or folders), in the order given.
  std::vector<std::string> paths;
  bool help = false;
  bool version = false;
  /// The first switch the tool does not know, if any.
  std::string unknownSwitch;
};

/// Reads the entries after the program's path. A switch is an entry that
/// begins with '-', or a single word that begins with '/' (no further '/'
/// or '\\') and names no existing file, as `exists` tells; switches compare
/// whole and ignoring case: every mode's and modifier's forms (see Modes and
/// Modifiers), -h, --help, -? or /? for help, -V or --version.
/// "--" ends the switches. Every other entry is a path, but for an empty one.
CommandLine ReadCommandLine(int argc, const char* const* argv,
                            const std::function<bool(const std::string&)>& exists);

/// The line that turns down switches asking for two things that exclude each
/// other (two modes, or a modifier with a mode it does not go with), or "": a
/// run must not quietly do less than it was asked.
std::string SwitchConflict(const RunOptions& options);
