// MD4 throughput in memory on one core, every figure side by side in one run:
//   md4_lanes_perftest [ROUNDS]
//   md4_lanes_perftest --kernel   (prints the kernel Md4UpdateLanes hashes with, and ends)
// 1. The scalar Md4Update over a 64 KiB buffer, the yardstick.
// 2. Every kernel this processor runs, in every arrangement (lanes x groups), each lane on a
//    64 KiB buffer of its own as a part check hashes them (1024 blocks a call), with the ratio
//    to scalar and the pass cost (time per block relative to one scalar block).
// 3. The widest arrangement on buffers 64 KiB apart, which share cache sets, against staggered.
// 4. Md4UpdateLanes for every message count, in the arrangement the engine picks.
// Each figure is the median of ROUNDS (default 5) rounds of about 50 ms of processor time; the
// rounds interleave the cases so that a noisy neighbour on the machine hits them all alike.
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <functional>
#include <string>
#include <vector>

#include "bench/perf_rounds.h"
#include "hash/md4.h"
#include "hash/md4_lanes.h"

namespace {

constexpr size_t kLaneBytes = 65536;
constexpr size_t kLaneBlocks = kLaneBytes / 64;

struct Case {
  std::string name;
  size_t messages;
  std::function<void()> hashOnce;  // hashes kLaneBytes of each message
  std::vector<double> rates;       // MB/s of each round
  Md4Pass pass;                    // for the pass cost, when it is one pass
};

// MB/s of one round of about 50 ms of processor time.
double MeasureRound(Case& c) {
  return CallsPerSecond(c.hashOnce, 0.05, 8) * double(c.messages * kLaneBytes) / 1e6;
}

std::string Describe(const Md4Arrangement& arrangement) {
  std::string text;
  for (size_t p = 0; p < arrangement.passes; ++p) {
    const Md4Pass& pass = arrangement.pass[p];
    if (!text.empty()) text += " + ";
    char piece[64];
    if (pass.kernel == Md4Kernel::kScalar) {
      std::snprintf(piece, sizeof piece, "scalar");
    } else {
      std::snprintf(piece, sizeof piece, "%s %dx%d (%zu)", Md4KernelName(pass.kernel),
                    Md4KernelLanes(pass.kernel), pass.groups, pass.messages);
    }
    text += piece;
  }
  return text;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc > 1 && std::string(argv[1]) == "--kernel") {
    // The kernel a full call hashes with, PARTSWEEP_MD4_KERNEL heeded: what a rebuild runs.
    std::printf("%s\n", Md4KernelName(ArrangeMd4Lanes(kMd4MaxMessages).pass[0].kernel));
    return 0;
  }
  const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 5;
  StaggeredLaneBuffers staggered(kMd4MaxMessages, kLaneBytes);
  for (size_t i = 0; i < kMd4MaxMessages; ++i) Fill(staggered.Lane(i), kLaneBytes, uint32_t(i));
  // The same bytes in buffers exactly 64 KiB apart.
  std::vector<uint8_t> packed(kMd4MaxMessages * kLaneBytes + 4096);
  uint8_t* packed_base = packed.data() + (4096 - reinterpret_cast<uintptr_t>(packed.data()) % 4096);
  const uint8_t* staggered_data[kMd4MaxMessages];
  const uint8_t* packed_data[kMd4MaxMessages];
  for (size_t i = 0; i < kMd4MaxMessages; ++i) {
    staggered_data[i] = staggered.Lane(i);
    packed_data[i] = packed_base + i * kLaneBytes;
    std::copy(staggered.Lane(i), staggered.Lane(i) + kLaneBytes, packed_base + i * kLaneBytes);
  }
  Md4Context contexts[kMd4MaxMessages];
  Md4Context* context_list[kMd4MaxMessages];
  for (size_t i = 0; i < kMd4MaxMessages; ++i) {
    Md4Init(&contexts[i]);
    context_list[i] = &contexts[i];
  }

  std::vector<Case> cases;
  cases.push_back({"scalar Md4Update", 1,
                   [&] { Md4Update(&contexts[0], staggered_data[0], kLaneBytes); }, {}, {}});
  Md4Pass widest;
  for (Md4Kernel kernel : {Md4Kernel::kSse2, Md4Kernel::kAvx2, Md4Kernel::kAvx512}) {
    if (!Md4KernelRuns(kernel)) {
      std::printf("%s: not run by this processor\n", Md4KernelName(kernel));
      continue;
    }
    for (int groups = 1; groups <= kMd4MaxGroups; ++groups) {
      const Md4Pass pass{kernel, groups, size_t(Md4KernelLanes(kernel)) * groups};
      char name[64];
      std::snprintf(name, sizeof name, "%s %dx%d", Md4KernelName(kernel), Md4KernelLanes(kernel),
                    groups);
      auto hash = [&, pass] { Md4UpdatePass(pass, context_list, staggered_data, kLaneBlocks); };
      cases.push_back({name, pass.messages, hash, {}, pass});
      widest = pass;
    }
  }
  const size_t first_count_case = cases.size() + (widest.messages ? 1 : 0);
  if (widest.messages) {
    auto hash = [&, widest] { Md4UpdatePass(widest, context_list, packed_data, kLaneBlocks); };
    cases.push_back({"  same, buffers 64 KiB apart", widest.messages, hash, {}, {}});
  }
  for (size_t count = 1; count <= kMd4MaxMessages; ++count) {
    auto hash = [&, count] { Md4UpdateLanes(context_list, staggered_data, count, kLaneBlocks); };
    cases.push_back({std::to_string(count) + " messages: " + Describe(ArrangeMd4Lanes(count)),
                     count, hash, {}, {}});
  }

  for (int round = 0; round < rounds; ++round) {
    for (Case& c : cases) c.rates.push_back(MeasureRound(c));
  }

  const double scalar = Median(cases[0].rates);
  std::printf("MD4 in memory, one core, 64 KiB a message per call, median of %d rounds\n", rounds);
  std::printf("%-48s %10s %9s %10s\n", "case", "MB/s", "x scalar", "pass cost");
  for (size_t i = 0; i < cases.size(); ++i) {
    if (i == first_count_case) std::printf("Md4UpdateLanes, best kernel %s:\n",
                                           Md4KernelName(Md4BestKernel()));
    const Case& c = cases[i];
    const double rate = Median(c.rates);
    std::printf("%-48s %10.0f %9.2f", c.name.c_str(), rate, rate / scalar);
    if (c.pass.messages) std::printf(" %10.2f", double(c.pass.messages) * scalar / rate);
    std::printf("\n");
  }
  // Keeps the hashing from being optimised away.
  uint32_t sum = 0;
  for (const Md4Context& context : contexts) sum += context.state[0];
  std::printf("(checksum %08x)\n", sum);
  return 0;
}
