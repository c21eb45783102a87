// Writes the seed corpus of the fuzz targets into a folder, one file per
// seed: fuzz_seeds FOLDER. The seeds come from the sample generator and the
// aMule sample, so they follow the code rather than being kept as blobs.
#include <cstdio>
#include <fstream>
#include <string>

#include "fuzz/fuzz_download.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: fuzz_seeds FOLDER\n");
    return 2;
  }
  for (const auto& seed : SeedMetFiles()) {
    const std::string path = std::string(argv[1]) + "/" + seed.first + ".part.met";
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(seed.second.data(), static_cast<std::streamsize>(seed.second.size()));
    if (!out) {
      std::fprintf(stderr, "fuzz_seeds: cannot write %s\n", path.c_str());
      return 1;
    }
  }
  return 0;
}
