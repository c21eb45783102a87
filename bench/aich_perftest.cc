// SHA-1 and AICH throughput in memory on one core beside MD4's, side by side in one run:
//   aich_perftest [ROUNDS]
// 1. The scalar Md4Update and Md4UpdateLanes with every lane in use (the part check's MD4), over
//    64 KiB a message per call.
// 2. The system's SHA-1 (Sha1::Update) over a 64 KiB buffer.
// 3. AichPartHasher over a whole part fed 64 KiB a call and finished: SHA-1 with a leaf a block
//    and the tree above them, what a part check adds for AICH.
// 4. What one core would check of a part with MD4 and AICH both, from the figures of 1 and 3.
// Each figure is the median of ROUNDS (default 5) rounds of about 100 ms of processor time; the
// rounds interleave the cases so that a noisy neighbour on the machine hits them all alike.
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <functional>
#include <string>
#include <vector>

#include "bench/perf_rounds.h"
#include "hash/aich_tree.h"
#include "hash/md4.h"
#include "hash/md4_lanes.h"
#include "hash/sha1_lanes.h"
#include "met/part_layout.h"

namespace {

constexpr size_t kStepBytes = 65536;

struct Case {
  std::string name;
  double bytesPerCall;
  std::function<void()> hashOnce;
  std::vector<double> rates;  // GB/s of each round
};

// GB/s of one round of about 100 ms of processor time.
double MeasureRound(Case& c) { return CallsPerSecond(c.hashOnce, 0.1, 1) * c.bytesPerCall / 1e9; }

}  // namespace

int main(int argc, char** argv) {
  const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 5;
  StaggeredLaneBuffers lanes(kMd4MaxMessages, kStepBytes);
  const uint8_t* data[kMd4MaxMessages];
  Md4Context contexts[kMd4MaxMessages];
  Md4Context* contextList[kMd4MaxMessages];
  for (size_t i = 0; i < kMd4MaxMessages; ++i) {
    Fill(lanes.Lane(i), kStepBytes, uint32_t(i));
    data[i] = lanes.Lane(i);
    Md4Init(&contexts[i]);
    contextList[i] = &contexts[i];
  }
  Sha1 sha1;
  AichPartHasher part;
  AichHash hash{};
  uint8_t digest[kSha1Bytes] = {};
  bool failed = false;

  std::vector<Case> cases;
  cases.push_back({"MD4 scalar Md4Update", kStepBytes,
                   [&] { Md4Update(&contexts[0], data[0], kStepBytes); }, {}});
  cases.push_back({"MD4 Md4UpdateLanes, " + std::to_string(kMd4MaxMessages) + " messages (" +
                       Md4KernelName(Md4BestKernel()) + ")",
                   double(kStepBytes) * kMd4MaxMessages,
                   [&] { Md4UpdateLanes(contextList, data, kMd4MaxMessages, kStepBytes / 64); },
                   {}});
  cases.push_back({"SHA-1 Sha1::Update", kStepBytes, [&] { sha1.Update(data[0], kStepBytes); }, {}});
  Sha1LaneState sha1States[kMd4MaxMessages];
  Sha1LaneState* sha1StateList[kMd4MaxMessages];
  for (size_t i = 0; i < kMd4MaxMessages; ++i) {
    Sha1LaneInit(&sha1States[i]);
    sha1StateList[i] = &sha1States[i];
  }
  const size_t sha1Width = Sha1LaneWidth();
  if (sha1Width != 0) {
    cases.push_back({"SHA-1 Sha1UpdateLanes, " + std::to_string(sha1Width) + " messages",
                     double(kStepBytes) * sha1Width,
                     [&] {
                       Sha1UpdateLanes(sha1StateList, data, sha1Width, kStepBytes / 64, sha1Width);
                     },
                     {}});
  }
  cases.push_back({"AICH AichPartHasher, a part and Finish", double(kPartSize), [&] {
                     for (uint64_t at = 0; at < kPartSize; at += kStepBytes)
                       part.Update(data[0], size_t(std::min<uint64_t>(kStepBytes, kPartSize - at)));
                     failed = !part.Finish(AichSide::kLeft, &hash) || failed;
                   }, {}});

  for (int round = 0; round < rounds; ++round) {
    for (Case& c : cases) c.rates.push_back(MeasureRound(c));
  }
  failed = !sha1.Final(digest) || failed;

  std::printf("In memory, one core, 64 KiB a message per call, median of %d rounds\n", rounds);
  std::printf("%-52s %8s %12s\n", "case", "GB/s", "x MD4 lanes");
  const double md4 = Median(cases[1].rates);
  for (const Case& c : cases) {
    const double rate = Median(c.rates);
    std::printf("%-52s %8.2f %12.2f\n", c.name.c_str(), rate, rate / md4);
  }
  const double aich = Median(cases.back().rates);
  const double both = 1 / (1 / md4 + 1 / aich);
  std::printf("%-52s %8.2f %12.2f\n", "MD4 lanes and AICH of the same bytes (from the above)",
              both, both / md4);
  std::printf("AICH part over SHA-1 alone: %.3f (the tree's and the leaves' overhead)\n",
              aich / Median(cases[2].rates));
  // Keeps the hashing from being optimised away.
  std::printf("(checksum %08x %02x%02x)\n",
              contexts[0].state[0] ^ contexts[1].state[0] ^ sha1States[0].h[0],
              digest[0] ^ hash[0], hash[19]);
  if (failed) std::printf("SHA-1 FAILED: the system's library reported an error\n");
  return failed ? 1 : 0;
}
