// Picks the kernel for the processor, splits a call's messages into kernel passes, and hands the
// kernels plain arrays: states in, states out, lengths kept by the contexts.
#include "hash/md4_lanes.h"

#include <atomic>
#include <cstdlib>
#include <cstring>

#include "hash/md4_lanes_kernels.h"

namespace {

constexpr int kKernels = 4;
constexpr int kNoKernel = -1;

bool ProcessorRuns(Md4Kernel kernel);

// For benchmarks of the whole program on narrower processors: the environment variable
// PARTSWEEP_MD4_KERNEL names a kernel ("scalar", "SSE2", "AVX2", "AVX-512") to hash with
// alone, where it runs.
int KernelFromEnvironment() {
  const char* name = std::getenv("PARTSWEEP_MD4_KERNEL");
  if (!name) return kNoKernel;
  for (int k = 0; k < kKernels; ++k) {
    const Md4Kernel kernel = static_cast<Md4Kernel>(k);
    if (std::strcmp(name, Md4KernelName(kernel)) == 0 && ProcessorRuns(kernel)) return k;
  }
  return kNoKernel;
}

// Set by tests and benchmarks; read on every call, so atomic for calls from many threads.
std::atomic<int> forced_kernel{KernelFromEnvironment()};

bool ProcessorRuns(Md4Kernel kernel) {
#if defined(PARTSWEEP_MD4_X86_KERNELS)
  // __builtin_cpu_supports also checks that the OS saves the registers (XGETBV), so a kernel is
  // never run where its state would be lost at a context switch.
  __builtin_cpu_init();
  switch (kernel) {
    case Md4Kernel::kScalar: return true;
    case Md4Kernel::kSse2: return __builtin_cpu_supports("sse2");
    case Md4Kernel::kAvx2: return __builtin_cpu_supports("avx2");
    case Md4Kernel::kAvx512: return __builtin_cpu_supports("avx512f");
  }
  return false;
#else
  return kernel == Md4Kernel::kScalar;
#endif
}

// The time one pass takes per block (of every message in it), relative to one block of scalar
// MD4, by group count; measured with bench/md4_lanes_perftest on an AMD EPYC (Zen 4), where one
// group is bound by its latency and three fill the vector units. The SSE2 and AVX2 rows are
// those of the kernel forced alone, as a processor without AVX-512 runs it: one group of
// either costs nearly what two do, so batches of one group lose. Zero marks an arrangement not
// offered. Other processors have other figures: there the choice still covers every message
// with kernels that run, but may not be the fastest.
constexpr double kPassCost[kKernels][kMd4MaxGroups] = {
    {1.00, 0, 0},        // scalar: one message a pass
    {2.66, 2.99, 3.03},  // SSE2, 4 lanes a group
    {2.61, 2.78, 3.14},  // AVX2, 8 lanes
    {1.92, 2.60, 3.50},  // AVX-512, 16 lanes
};

// For each choice of kernels (free, or one forced) and message count, the first pass of the
// cheapest arrangement; the rest is the cheapest arrangement of the messages it leaves.
struct ArrangementTable {
  Md4Pass first[kKernels + 1][kMd4MaxMessages + 1];
};

// Row kKernels is the free choice: every kernel that runs. Row k allows kernel k alone.
void FillRow(Md4Pass (&first)[kMd4MaxMessages + 1], const bool (&allowed)[kKernels]) {
  double best_cost[kMd4MaxMessages + 1] = {0};
  for (size_t n = 1; n <= kMd4MaxMessages; ++n) {
    best_cost[n] = -1;
    for (int k = 0; k < kKernels; ++k) {
      if (!allowed[k]) continue;
      const Md4Kernel kernel = static_cast<Md4Kernel>(k);
      for (int g = 1; g <= kMd4MaxGroups; ++g) {
        if (kPassCost[k][g - 1] == 0) continue;
        const size_t room = static_cast<size_t>(Md4KernelLanes(kernel)) * g;
        const size_t taken = room < n ? room : n;
        const double cost = kPassCost[k][g - 1] + best_cost[n - taken];
        // Ties go to the first found: the narrower kernel and the fewer groups.
        if (best_cost[n] < 0 || cost < best_cost[n]) {
          best_cost[n] = cost;
          first[n] = Md4Pass{kernel, g, taken};
        }
      }
    }
  }
}

ArrangementTable BuildArrangementTable() {
  ArrangementTable table;
  bool runs[kKernels];
  for (int k = 0; k < kKernels; ++k) runs[k] = ProcessorRuns(static_cast<Md4Kernel>(k));
  FillRow(table.first[kKernels], runs);
  for (int k = 0; k < kKernels; ++k) {
    // A kernel that does not run cannot be forced; its row, never read, is the scalar one.
    bool alone[kKernels] = {!runs[k], false, false, false};
    alone[k] = runs[k];
    FillRow(table.first[k], alone);
  }
  return table;
}

const ArrangementTable& Arrangements() {
  static const ArrangementTable table = BuildArrangementTable();
  return table;
}

uint64_t HashedBytes(const Md4Context* context) {
  return (uint64_t{context->count[1]} << 32 | context->count[0]) >> 3;
}

// Whole blocks through Md4Update, in pieces its 32-bit size can take.
void UpdateScalar(Md4Context* context, const uint8_t* data, size_t blocks) {
  constexpr size_t kPiece = size_t{1} << 24;
  while (blocks != 0) {
    const size_t n = blocks < kPiece ? blocks : kPiece;
    Md4Update(context, data, static_cast<uint32_t>(n * 64));
    data += n * 64;
    blocks -= n;
  }
}

void RunKernel(Md4Kernel kernel, int groups, uint32_t (*state)[4], const uint8_t* const* data,
               size_t blocks) {
#if defined(PARTSWEEP_MD4_X86_KERNELS)
  switch (kernel) {
    case Md4Kernel::kSse2: Md4LanesSse2(groups, state, data, blocks); return;
    case Md4Kernel::kAvx2: Md4LanesAvx2(groups, state, data, blocks); return;
    case Md4Kernel::kAvx512: Md4LanesAvx512(groups, state, data, blocks); return;
    case Md4Kernel::kScalar: break;
  }
#endif
  (void)kernel, (void)groups, (void)state, (void)data, (void)blocks;
}

// One pass. Lanes without a message of their own hash the first message again, which costs
// nothing extra and reads only memory the caller handed in.
void RunPass(const Md4Pass& pass, Md4Context* const* contexts, const uint8_t* const* data,
             size_t blocks) {
  if (pass.kernel == Md4Kernel::kScalar) {
    for (size_t i = 0; i < pass.messages; ++i) UpdateScalar(contexts[i], data[i], blocks);
    return;
  }
  const size_t lanes = static_cast<size_t>(Md4KernelLanes(pass.kernel)) * pass.groups;
  uint32_t state[kMd4MaxMessages][4];
  const uint8_t* lane_data[kMd4MaxMessages];
  for (size_t i = 0; i < lanes; ++i) {
    const size_t from = i < pass.messages ? i : 0;
    std::memcpy(state[i], contexts[from]->state, sizeof state[i]);
    lane_data[i] = data[from];
  }
  RunKernel(pass.kernel, pass.groups, state, lane_data, blocks);
  for (size_t i = 0; i < pass.messages; ++i) {
    Md4Resume(contexts[i], state[i], HashedBytes(contexts[i]) + uint64_t{blocks} * 64);
  }
}

void HashSlice(Md4Context* const* contexts, const uint8_t* const* data, size_t count,
               size_t blocks) {
  const Md4Arrangement arrangement = ArrangeMd4Lanes(count);
  size_t done = 0;
  for (size_t p = 0; p < arrangement.passes; ++p) {
    RunPass(arrangement.pass[p], contexts + done, data + done, blocks);
    done += arrangement.pass[p].messages;
  }
}

}  // namespace

int Md4KernelLanes(Md4Kernel kernel) {
  switch (kernel) {
    case Md4Kernel::kScalar: return 1;
    case Md4Kernel::kSse2: return 4;
    case Md4Kernel::kAvx2: return 8;
    case Md4Kernel::kAvx512: return 16;
  }
  return 1;
}

const char* Md4KernelName(Md4Kernel kernel) {
  switch (kernel) {
    case Md4Kernel::kScalar: return "scalar";
    case Md4Kernel::kSse2: return "SSE2";
    case Md4Kernel::kAvx2: return "AVX2";
    case Md4Kernel::kAvx512: return "AVX-512";
  }
  return "?";
}

bool Md4KernelRuns(Md4Kernel kernel) {
  static const bool runs[kKernels] = {
      ProcessorRuns(Md4Kernel::kScalar), ProcessorRuns(Md4Kernel::kSse2),
      ProcessorRuns(Md4Kernel::kAvx2), ProcessorRuns(Md4Kernel::kAvx512)};
  return runs[static_cast<int>(kernel)];
}

Md4Kernel Md4BestKernel() {
  static const Md4Kernel best = [] {
    Md4Kernel widest = Md4Kernel::kScalar;
    for (int k = 0; k < kKernels; ++k) {
      if (Md4KernelRuns(static_cast<Md4Kernel>(k))) widest = static_cast<Md4Kernel>(k);
    }
    return widest;
  }();
  return best;
}

bool ForceMd4Kernel(std::optional<Md4Kernel> kernel) {
  if (kernel && !Md4KernelRuns(*kernel)) return false;
  forced_kernel.store(kernel ? static_cast<int>(*kernel) : kNoKernel, std::memory_order_relaxed);
  return true;
}

std::optional<Md4Kernel> ForcedMd4Kernel() {
  const int forced = forced_kernel.load(std::memory_order_relaxed);
  if (forced == kNoKernel) return std::nullopt;
  return static_cast<Md4Kernel>(forced);
}

Md4Arrangement ArrangeMd4Lanes(size_t count) {
  const int forced = forced_kernel.load(std::memory_order_relaxed);
  const Md4Pass* first = Arrangements().first[forced == kNoKernel ? kKernels : forced];
  Md4Arrangement arrangement;
  if (count > kMd4MaxMessages) count = kMd4MaxMessages;
  while (count != 0) {
    const Md4Pass& pass = first[count];
    arrangement.pass[arrangement.passes++] = pass;
    count -= pass.messages;
  }
  return arrangement;
}

double Md4LanesCost(size_t count) {
  const Md4Arrangement arrangement = ArrangeMd4Lanes(count);
  double cost = 0;
  for (size_t p = 0; p < arrangement.passes; ++p) {
    const Md4Pass& pass = arrangement.pass[p];
    cost += kPassCost[static_cast<int>(pass.kernel)][pass.groups - 1];
  }
  return cost;
}

void Md4UpdateLanes(Md4Context* const contexts[], const uint8_t* const data[], size_t count,
                    size_t blocks) {
  if (blocks == 0) return;
  Md4Context* slice_contexts[kMd4MaxMessages];
  const uint8_t* slice_data[kMd4MaxMessages];
  size_t n = 0;
  for (size_t i = 0; i < count; ++i) {
    // A lane starts at a block boundary; a message that is not at one can only go on scalar.
    if ((contexts[i]->count[0] & 511) != 0) {
      UpdateScalar(contexts[i], data[i], blocks);
      continue;
    }
    slice_contexts[n] = contexts[i];
    slice_data[n] = data[i];
    if (++n == kMd4MaxMessages) {
      HashSlice(slice_contexts, slice_data, n, blocks);
      n = 0;
    }
  }
  if (n != 0) HashSlice(slice_contexts, slice_data, n, blocks);
}

bool Md4UpdatePass(const Md4Pass& pass, Md4Context* const contexts[], const uint8_t* const data[],
                   size_t blocks) {
  if (pass.groups < 1 || pass.groups > kMd4MaxGroups || !Md4KernelRuns(pass.kernel)) return false;
  const size_t room = static_cast<size_t>(Md4KernelLanes(pass.kernel)) * pass.groups;
  if (pass.messages > room) return false;
  for (size_t i = 0; i < pass.messages; ++i) {
    if ((contexts[i]->count[0] & 511) != 0) return false;
  }
  if (blocks != 0 && pass.messages != 0) RunPass(pass, contexts, data, blocks);
  return true;
}

void Md4DigestLanes(const uint8_t* const data[], const size_t sizes[], size_t count,
                    uint8_t digests[][16]) {
  for (size_t start = 0; start < count; start += kMd4MaxMessages) {
    const size_t n = count - start < kMd4MaxMessages ? count - start : kMd4MaxMessages;
    Md4Context contexts[kMd4MaxMessages];
    for (size_t i = 0; i < n; ++i) Md4Init(&contexts[i]);
    // Every round hashes the blocks all unfinished messages still share, then drops those that
    // have no whole block left, until none has.
    size_t done = 0;
    for (;;) {
      Md4Context* active[kMd4MaxMessages];
      const uint8_t* from[kMd4MaxMessages];
      size_t active_count = 0, shared = 0;
      for (size_t i = 0; i < n; ++i) {
        const size_t blocks = sizes[start + i] / 64;
        if (blocks <= done) continue;
        if (active_count == 0 || blocks - done < shared) shared = blocks - done;
        active[active_count] = &contexts[i];
        from[active_count++] = data[start + i] + done * 64;
      }
      if (active_count == 0) break;
      Md4UpdateLanes(active, from, active_count, shared);
      done += shared;
    }
    for (size_t i = 0; i < n; ++i) {
      const size_t whole = sizes[start + i] & ~size_t{63};
      const uint32_t tail = static_cast<uint32_t>(sizes[start + i] - whole);
      Md4Update(&contexts[i], data[start + i] + whole, tail);
      Md4Final(&contexts[i]);
      std::memcpy(digests[start + i], contexts[i].digest, 16);
    }
  }
}

StaggeredLaneBuffers::StaggeredLaneBuffers(size_t lane_count, size_t lane_size)
    : count(lane_count),
      size(lane_size),
      stride(((lane_size + 4095) & ~size_t{4095}) + 64),
      storage(AllocateLargeBlock(lane_count * stride)),
      base(storage.get()) {}
