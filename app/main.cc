#include <new>

#include "app/run_flow.h"
#include "platform/console.h"
#include "platform/disk.h"

int main(int argc, char** argv) {
  std::set_new_handler([] { ExitOutOfMemory(); });
  return RunPartsweep(argc, argv, SystemDisk(), SystemConsole());
}
