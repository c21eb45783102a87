#include "platform/command_line.h"

std::vector<std::string> CommandLineEntries(int argc, char** argv) {
  return std::vector<std::string>(argv, argv + argc);
}
