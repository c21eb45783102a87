// The command line: switches, paths, help and version.
#pragma once

#include <functional>
#include <string>
#include <vector>

/// What the switches ask for; a flag once set stays set.
struct RunOptions {
  bool rebuild = false;
  bool complete = false;
  bool nosparse = false;
  /// Judge the parts as /rebuild does, but write nothing.
  bool check = false;
  /// Bring back a download whose metadata file is damaged or lost.
  bool recover = false;
};

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
/// whole and ignoring case: --rebuild or /rebuild, --complete or /complete,
/// --nosparse or /nosparse, --check or /check, --recover or /recover, -h, --help, -? or /? for help, -V or --version.
/// "--" ends the switches. Every other entry is a path, but for an empty one.
CommandLine ReadCommandLine(int argc, const char* const* argv,
                            const std::function<bool(const std::string&)>& exists);

/// The line that turns down switches asking for two things that exclude each
/// other (--rebuild, --complete and --check pick one thing each), or "": a run
/// must not quietly do less than it was asked.
std::string SwitchConflict(const RunOptions& options);

/// True when the run lists the gaps and gives their space back: no
/// rewrite and no check asked for.
bool GivesSpaceBack(const RunOptions& options);
