// The entries of the command line, as the tool reads them: UTF-8 text.
#pragma once

#include <string>
#include <vector>

/// The program's path and its arguments. On Windows they are taken from the
/// system in UTF-16, so that a name outside the ANSI code page (a user
/// folder in Cyrillic or Japanese) reaches the tool whole; elsewhere they
/// are `argv` as the shell gave it.
std::vector<std::string> CommandLineEntries(int argc, char** argv);
