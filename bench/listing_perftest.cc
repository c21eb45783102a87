// What a listing costs, measured on real files:
//   listing_perftest PARTSWEEP [FOLDER]
// 1. The zero fill (/nosparse) against dd writing zeros over the same ranges
//    of the same file, page cache warm, as the ratio of the median times.
// 2. Releasing 1,000 gaps of a sparse 4 GiB data file.
// FOLDER (default: the system's temporary folder) must be on a file system
// that can punch holes; about 640 MB are written there and removed after.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "bench/perf_rounds.h"
#include "sample/sample_download.h"
#include "tests/support/child_process.h"

namespace fs = std::filesystem;

namespace {

constexpr int kRuns = 5;
constexpr uint64_t kMiB = 1048576;

double Seconds(std::chrono::steady_clock::duration elapsed) {
  return std::chrono::duration<double>(elapsed).count();
}

std::string Tool(const char* name) {
  for (const char* folder : {"/usr/bin/", "/bin/"}) {
    if (fs::exists(std::string(folder) + name)) return std::string(folder) + name;
  }
  return name;
}

// Runs one command after the dirty pages of earlier runs went to disk, so
// that no run pays for another's writeback; false when it failed.
bool Timed(const std::vector<std::string>& command, const std::string& folder, double* seconds) {
  RunProcess({Tool("sync")});
  auto start = std::chrono::steady_clock::now();
  ProcessResult result = RunProcess(command, InFolder(folder));
  *seconds += Seconds(std::chrono::steady_clock::now() - start);
  if (result.exitCode != 0) std::fprintf(stderr, "failed: %s\n", command[0].c_str());
  return result.exitCode == 0;
}

bool WriteDownload(const std::string& folder, const SampleDownload& download) {
  std::string error;
  if (WriteSampleDownload(folder, download, &error)) return true;
  std::fprintf(stderr, "listing_perftest: %s\n", error.c_str());
  return false;
}

// Eight gaps of 32 MiB in a 512 MiB file: 256 MiB of zeros per run.
bool CompareZeroFillWithDd(const std::string& partsweep, const std::string& folder) {
  SampleDownload download;
  download.fileSize = 512 * kMiB;
  for (uint64_t i = 0; i < 8; ++i) download.gaps.push_back({i * 64 * kMiB, i * 64 * kMiB + 32 * kMiB});
  // The gaps hold data on disk, so that both write over allocated blocks.
  download.gapContent = SampleGapContent::Data;
  if (!WriteDownload(folder, download)) return false;

  std::vector<double> tool, dd;
  for (int run = 0; run < kRuns; ++run) {
    double toolTime = 0, ddTime = 0;
    if (!Timed({partsweep, "001.part.met", "/nosparse"}, folder, &toolTime)) return false;
    for (const SampleGap& gap : download.gaps) {
      if (!Timed({Tool("dd"), "if=/dev/zero", "of=001.part", "bs=131072", "conv=notrunc",
                  "oflag=seek_bytes", "iflag=count_bytes", "status=none",
                  "seek=" + std::to_string(gap.start), "count=" + std::to_string(gap.end - gap.start)},
                 folder, &ddTime))
        return false;
    }
    tool.push_back(toolTime);
    dd.push_back(ddTime);
  }
  std::printf("zero fill: 8 gaps of 32 MiB in a 512 MiB file, page cache warm, median of %d runs\n",
              kRuns);
  std::printf("  partsweep /nosparse     %7.3f s\n", Median(tool));
  std::printf("  dd conv=notrunc         %7.3f s\n", Median(dd));
  std::printf("  ratio partsweep / dd    %7.2f\n", Median(tool) / Median(dd));
  return true;
}

// 1,000 gaps of 128 KiB, one every 4 MiB, in a 4 GiB file whose only data
// are the gaps; each run starts from freshly written gaps.
bool TimeHolePunching(const std::string& partsweep, const std::string& folder) {
  SampleDownload download;
  download.fileSize = 4096 * kMiB;
  for (uint64_t i = 0; i < 1000; ++i) download.gaps.push_back({i * 4 * kMiB, i * 4 * kMiB + 128 * 1024});
  download.dataRegions = download.gaps;
  download.gapContent = SampleGapContent::Data;  // the blocks to release

  std::vector<double> tool;
  for (int run = 0; run < kRuns; ++run) {
    if (!WriteDownload(folder, download)) return false;
    double seconds = 0;
    if (!Timed({partsweep, "001.part.met"}, folder, &seconds)) return false;
    tool.push_back(seconds);
  }
  std::printf("hole punching: 1,000 gaps of 128 KiB in a 4 GiB sparse file, median of %d runs\n",
              kRuns);
  std::printf("  partsweep               %7.3f s\n", Median(tool));
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: listing_perftest PARTSWEEP [FOLDER]\n");
    return 2;
  }
  std::string partsweep = fs::absolute(argv[1]).string();
  fs::path folder = fs::path(argc > 2 ? argv[2] : fs::temp_directory_path().string()) /
                    "partsweep-listing-perftest";
  std::error_code error;
  fs::remove_all(folder, error);
  fs::create_directories(folder);
  bool ok = CompareZeroFillWithDd(partsweep, folder.string()) &&
            TimeHolePunching(partsweep, folder.string());
  fs::remove_all(folder, error);
  return ok ? 0 : 1;
}
