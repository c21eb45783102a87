// Running the built tool on real files, for the end-to-end tests.
#pragma once

#include <string>
#include <vector>

#include "platform/subprocess.h"

/// Runs the built tool in `folder` with `args` behind the program's path;
/// standard input holds `input`, so that a key wait ends.
ProcessResult RunTool(const std::string& folder, const std::vector<std::string>& args,
                      const std::string& input = "");

/// The text as the tool prints it on this platform (line ends).
std::string Lines(const std::string& text);
