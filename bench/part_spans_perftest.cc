// What a part check of many small files costs: every part of every file in a
// folder as spans of one run, the way a check of a client's shared files
// hashes them side by side in the same lanes.
//   part_spans_perftest FOLDER [parallel|sequential]
// Prints the files, spans and bytes, and the wall time of the run in seconds;
// for a cold run, drop the files' pages before it (posix_fadvise DONTNEED).
#include <chrono>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "met/part_layout.h"
#include "platform/disk.h"
#include "platform/path.h"
#include "reading/part_hashing.h"

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: part_spans_perftest FOLDER [parallel|sequential]\n");
    return 2;
  }
  Disk& disk = SystemDisk();
  std::vector<std::string> names;
  if (disk.FolderEntries(argv[1], &names) != 0) {
    std::fprintf(stderr, "part_spans_perftest: cannot list %s\n", argv[1]);
    return 1;
  }
  std::vector<File> files;
  files.reserve(names.size());
  std::vector<PartSpan> spans;
  uint64_t bytes = 0;
  for (const std::string& name : names) {
    OpenResult opened = disk.OpenForReading(AppendPath(argv[1], name));
    uint64_t size = 0;
    if (!opened.ok() || FileSize(disk, opened.file, &size) != 0) continue;
    files.push_back(std::move(opened.file));
    const uint32_t parts = static_cast<uint32_t>((size + kPartSize - 1) / kPartSize);
    for (const PartSpan& span : DownloadPartSpans(files.back(), size, PartsBelow(parts), false))
      spans.push_back(span);
    bytes += size;
  }
  PartHashOptions options;
  if (argc > 2) options.reads = std::strcmp(argv[2], "sequential") == 0 ? PartReads::kSequential
                                                                         : PartReads::kParallel;
  const auto start = std::chrono::steady_clock::now();
  const size_t count = spans.size();
  {
    PartHashing hashing(disk, std::move(spans), options);
    for (uint32_t i = 0; i < count; ++i) {
      if (!hashing.Wait(i).ok) {
        std::fprintf(stderr, "part_spans_perftest: span %u could not be read\n", i);
        return 1;
      }
    }
  }
  const double seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  std::printf("%zu files, %zu spans, %llu bytes: %.4f s\n", files.size(), count,
              static_cast<unsigned long long>(bytes), seconds);
  return 0;
}
