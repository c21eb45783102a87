// Writes a sample download into a folder:
//   make_sample FOLDER [--name N] [--size BYTES] [--gap START-END]... [--no-gaps] [--no-name-tag]
//               [--part-hashes] [--corrupt PART]...
// Without --gap it writes a download with a few typical gaps.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "sample/sample_download.h"

namespace {

bool ParseGap(const char* text, SampleGap* gap) {
  char* end;
  gap->start = std::strtoull(text, &end, 0);
  if (*end != '-') return false;
  gap->end = std::strtoull(end + 1, &end, 0);
  return *end == '\0' && gap->start <= gap->end;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: make_sample FOLDER [--name N] [--size BYTES] "
                         "[--gap START-END]... [--no-gaps] [--no-name-tag] [--part-hashes] "
                         "[--corrupt PART]...\n");
    return 2;
  }
  SampleDownload download;
  bool gapsGiven = false;
  for (int i = 2; i < argc; ++i) {
    if (!std::strcmp(argv[i], "--name") && i + 1 < argc) {
      download.name = argv[++i];
    } else if (!std::strcmp(argv[i], "--size") && i + 1 < argc) {
      download.fileSize = std::strtoull(argv[++i], nullptr, 0);
    } else if (!std::strcmp(argv[i], "--gap") && i + 1 < argc) {
      SampleGap gap;
      if (!ParseGap(argv[++i], &gap)) {
        std::fprintf(stderr, "make_sample: bad gap '%s'\n", argv[i]);
        return 2;
      }
      download.gaps.push_back(gap);
      gapsGiven = true;
    } else if (!std::strcmp(argv[i], "--no-gaps")) {
      gapsGiven = true;
    } else if (!std::strcmp(argv[i], "--no-name-tag")) {
      download.partFileNameTag = false;
    } else if (!std::strcmp(argv[i], "--part-hashes")) {
      download.partHashes = true;
    } else if (!std::strcmp(argv[i], "--corrupt") && i + 1 < argc) {
      download.corruptParts.push_back(static_cast<uint32_t>(std::strtoul(argv[++i], nullptr, 0)));
    } else {
      std::fprintf(stderr, "make_sample: unknown argument '%s'\n", argv[i]);
      return 2;
    }
  }
  if (!gapsGiven) {
    // Typical of a download in progress: a few holes of different sizes.
    download.gaps = {{1000000, 1300000}, {9728000, 19456000}, {29000000, 30000000}};
  }
  std::string error;
  if (!WriteSampleDownload(argv[1], download, &error)) {
    std::fprintf(stderr, "make_sample: %s\n", error.c_str());
    return 1;
  }
  std::printf("%s/%s.part.met\n", argv[1], download.name.c_str());
  return 0;
}
