// Writes a client's record of shared files for files already on disk:
//   make_known FOLDER FILE...
// known.met and known2_64.met go into FOLDER, each file hashed from its
// bytes and recorded under its name and modification time, as aMule does
// when it hashes its Incoming folder. For benchmarks and trials by hand on
// folders too large to make inside a test.
#include <cstdio>
#include <string>
#include <vector>

#include "platform/command_line.h"
#include "sample/sample_known.h"

int main(int argc, char** rawArgv) {
  const std::vector<std::string> entries = CommandLineEntries(argc, rawArgv);
  if (entries.size() < 3) {
    std::fputs("usage: make_known FOLDER FILE...\n", stderr);
    return 2;
  }
  const std::vector<std::string> files(entries.begin() + 2, entries.end());
  std::string error;
  if (!WriteSampleKnownFiles(entries[1], files, &error)) {
    std::fprintf(stderr, "make_known: %s\n", error.c_str());
    return 1;
  }
  return 0;
}
