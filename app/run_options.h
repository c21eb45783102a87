// The command line: switches, help and usage.
#pragma once

/// What the switches ask for; a flag once set stays set.
struct RunOptions {
  bool rebuild = false;
  bool complete = false;
  bool nosparse = false;
};

/// Sets a flag for every entry that is a switch, compared whole and ignoring
/// case. Every entry counts, the program's path and the metadata path too.
RunOptions ScanSwitches(int argc, const char* const* argv);

/// True for a command line that asks for help: --help, -h, -? or /? alone.
bool IsHelpRequest(int argc, const char* const* argv);
