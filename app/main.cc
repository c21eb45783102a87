#include <new>
#include <string>
#include <vector>

#include "app/run_flow.h"
#include "platform/command_line.h"
#include "platform/console.h"
#include "platform/disk.h"

int main(int argc, char** argv) {
  std::set_new_handler([] { ExitOutOfMemory(); });
  const std::vector<std::string> entries = CommandLineEntries(argc, argv);
  std::vector<const char*> pointers;
  for (const std::string& entry : entries) pointers.push_back(entry.c_str());
  return RunPartsweep(static_cast<int>(pointers.size()), pointers.data(), SystemDisk(),
                      SystemConsole());
}
