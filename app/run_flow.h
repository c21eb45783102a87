// One run of the tool, from the command line to the exit status.
#pragma once

#include <string>

class Console;
class Disk;

/// Runs the tool on the given command line and returns the exit status:
/// -1 after the usage text, 1 after a failure that ended the work, else 0.
int RunPartsweep(int argc, const char* const* argv, Disk& disk, Console& console);
