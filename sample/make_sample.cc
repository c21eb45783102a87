// Writes a sample download into a folder:
//   make_sample FOLDER [--name N] [--size BYTES] [--gap START-END]... [--no-gaps]
//               [--data-in-gaps | --zeros-in-gaps] [--data START-END]... [--no-name-tag]
//               [--emule-tags] [--tags64] [--part-hashes] [--aich-hashes] [--corrupt PART]...
// Without --gap it writes a download with a few typical gaps. The gaps are
// holes in the data file, as a client leaves them, unless --data-in-gaps
// fills them with the download's bytes or --zeros-in-gaps with zeros. With
// --data only those ranges hold data and the rest is a hole, so that a
// download of several GB costs no disk; above 4,290,048,000 bytes it is
// written as a large download (version 0xE2, 64-bit size and gap tags).
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "platform/command_line.h"
#include "sample/sample_download.h"

namespace {

const char kUsage[] =
    "usage: make_sample FOLDER [--name N] [--size BYTES] [--gap START-END]... [--no-gaps]\n"
    "                   [--data-in-gaps | --zeros-in-gaps] [--data START-END]... [--no-name-tag]\n"
    "                   [--emule-tags] [--tags64] [--part-hashes] [--aich-hashes] [--corrupt PART]...\n";

bool ParseRange(const char* text, SampleGap* range) {
  char* end;
  range->start = std::strtoull(text, &end, 0);
  if (*end != '-') return false;
  range->end = std::strtoull(end + 1, &end, 0);
  return *end == '\0' && range->start <= range->end;
}

// Takes the range argument of a flag; false (with a message) when it is bad.
bool TakeRange(const char* flag, const char* text, std::vector<SampleGap>* ranges) {
  SampleGap range;
  if (!ParseRange(text, &range)) {
    std::fprintf(stderr, "make_sample: bad %s '%s'\n", flag, text);
    return false;
  }
  ranges->push_back(range);
  return true;
}

}  // namespace

int main(int argc, char** rawArgv) {
  // UTF-8 on every system, as the folder and name are written.
  const std::vector<std::string> entries = CommandLineEntries(argc, rawArgv);
  std::vector<const char*> argv;
  for (const std::string& entry : entries) argv.push_back(entry.c_str());
  argc = static_cast<int>(argv.size());
  if (argc < 2) {
    std::fputs(kUsage, stderr);
    return 2;
  }
  SampleDownload download;
  bool gapsGiven = false;
  for (int i = 2; i < argc; ++i) {
    const char* flag = argv[i];
    const bool hasValue = i + 1 < argc;
    if (!std::strcmp(flag, "--name") && hasValue) {
      download.name = argv[++i];
    } else if (!std::strcmp(flag, "--size") && hasValue) {
      download.fileSize = std::strtoull(argv[++i], nullptr, 0);
    } else if (!std::strcmp(flag, "--gap") && hasValue) {
      if (!TakeRange("gap", argv[++i], &download.gaps)) return 2;
      gapsGiven = true;
    } else if (!std::strcmp(flag, "--no-gaps")) {
      gapsGiven = true;
    } else if (!std::strcmp(flag, "--data-in-gaps")) {
      download.gapContent = SampleGapContent::Data;
    } else if (!std::strcmp(flag, "--zeros-in-gaps")) {
      download.gapContent = SampleGapContent::Zeros;
    } else if (!std::strcmp(flag, "--data") && hasValue) {
      if (!TakeRange("data range", argv[++i], &download.dataRegions)) return 2;
    } else if (!std::strcmp(flag, "--no-name-tag")) {
      download.partFileNameTag = false;
    } else if (!std::strcmp(flag, "--emule-tags")) {
      download.emuleTags = true;
    } else if (!std::strcmp(flag, "--tags64")) {
      download.sizeTags64 = true;
    } else if (!std::strcmp(flag, "--part-hashes")) {
      download.partHashes = true;
    } else if (!std::strcmp(flag, "--aich-hashes")) {
      download.aichHashes = true;
    } else if (!std::strcmp(flag, "--corrupt") && hasValue) {
      download.corruptParts.push_back(static_cast<uint32_t>(std::strtoul(argv[++i], nullptr, 0)));
    } else {
      std::fprintf(stderr, "make_sample: unknown argument '%s'\n", flag);
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
