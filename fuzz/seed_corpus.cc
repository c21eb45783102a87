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
  // The link reader starts from links of the forms users copy.
  const char* const links[] = {
      "ed2k://|file|movie.avi|30000000|bcdd439b69c6c539b57ee454b347cda8|/",
      "ed2k://|file|a%20b.iso|19456000|31d6cfe0d16ae931b73c59d7e0c089c0|p=361d8eba9cd5f70f560efe2f"
      "b2fd63cc:a1f5513960bad18e5504f558f161d23d:be9c1808ebc4e8d5b2ecaee64cd664c6|"
      "h=ABCDEFGHIJKLMNOPQRSTUVWXYZ234567|/|sources,1.2.3.4:4662|/",
  };
  for (size_t i = 0; i < sizeof links / sizeof *links; ++i) {
    const std::string path = std::string(argv[1]) + "/link-" + std::to_string(i) + ".txt";
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << links[i];
    if (!out) {
      std::fprintf(stderr, "fuzz_seeds: cannot write %s\n", path.c_str());
      return 1;
    }
  }
  return 0;
}
