// MD4 in SIMD lanes against the plain reference: every kernel that runs here, forced, and the
// engine's own choice, for every message count, random lengths and alignments.
#include "hash/md4_lanes.h"

#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "hash/sha1_lanes.h"
#include "tests/hash/reference_md4.h"
#include "tests/support/byte_text.h"

#if defined(__x86_64__) || defined(_M_X64)
#include <cpuid.h>
#endif

namespace {

// Hashes with one kernel alone while alive.
struct ForcedKernel {
  explicit ForcedKernel(std::optional<Md4Kernel> kernel) : runs(ForceMd4Kernel(kernel)) {}
  ~ForcedKernel() { ForceMd4Kernel(std::nullopt); }
  bool runs;
};

// Messages at random alignments: each one's bytes start 0 to 63 bytes into a buffer of its own
// that ends with them, so that the sanitizers report any read past a message.
struct Messages {
  std::vector<std::string> bytes;
  std::vector<std::vector<uint8_t>> buffers;  // a buffer keeps its place when this one grows
  std::vector<const uint8_t*> data;
  std::vector<size_t> sizes;

  void Add(size_t size, std::mt19937& random) {
    std::string message(size, '\0');
    for (char& c : message) c = char(random());
    const size_t shift = random() % 64;
    buffers.emplace_back(shift + size);
    if (size != 0) std::memcpy(buffers.back().data() + shift, message.data(), size);
    data.push_back(buffers.back().data() + shift);
    bytes.push_back(message);
    sizes.push_back(size);
  }
};

// Checks Md4DigestLanes on the messages against the reference, message by message.
void ExpectReferenceDigests(const Messages& messages, const std::string& what) {
  const size_t count = messages.sizes.size();
  std::vector<uint8_t> digests(16 * count);
  Md4DigestLanes(messages.data.data(), messages.sizes.data(), count,
                 reinterpret_cast<uint8_t(*)[16]>(digests.data()));
  for (size_t i = 0; i < count; ++i) {
    ASSERT_EQ(Hex(ReferenceMd4(messages.bytes[i])), Hex(&digests[16 * i]))
        << what << ", message " << i << " of " << count << ", " << messages.sizes[i] << " bytes";
  }
}

struct KernelChoice {
  const char* name;
  std::optional<Md4Kernel> kernel;  // nullopt: the engine's own choice
};

void PrintTo(const KernelChoice& choice, std::ostream* out) { *out << choice.name; }

class Md4LanesTest : public testing::TestWithParam<KernelChoice> {
 protected:
  void SetUp() override {
    if (GetParam().kernel && !Md4KernelRuns(*GetParam().kernel)) {
      GTEST_SKIP() << Md4KernelName(*GetParam().kernel)
                   << " does not run on this processor (or under this OS or emulator)";
    }
    ASSERT_TRUE(forced_.runs);
  }

  ForcedKernel forced_{GetParam().kernel};
};

TEST_P(Md4LanesTest, EveryCountOfShortMessagesOfMixedLengths) {
  std::mt19937 random(1320);
  for (size_t count = 1; count <= kMd4MaxMessages; ++count) {
    Messages messages;
    for (size_t i = 0; i < count; ++i) {
      // Mostly a few KiB at random, some around block edges and some empty.
      const int kind = random() % 8;
      const size_t size = kind == 0   ? random() % 3
                          : kind == 1 ? 64 * (random() % 8) + 55 + random() % 10
                                      : random() % 3000;
      messages.Add(size, random);
    }
    ExpectReferenceDigests(messages, "count " + std::to_string(count));
  }
}

TEST_P(Md4LanesTest, EveryCountOfEqualLengths) {
  // Whole lane groups and every partial one, all lanes busy to the end.
  std::mt19937 random(4);
  for (size_t count = 1; count <= kMd4MaxMessages; ++count) {
    Messages messages;
    const size_t size = 64 * (1 + random() % 20) + random() % 64;
    for (size_t i = 0; i < count; ++i) messages.Add(size, random);
    ExpectReferenceDigests(messages, "count " + std::to_string(count));
  }
}

TEST_P(Md4LanesTest, MessagesAcross64KiB) {
  std::mt19937 random(65536);
  for (size_t count : {size_t{1}, size_t{7}, size_t{16}, size_t{33}, kMd4MaxMessages + 5}) {
    Messages messages;
    for (size_t i = 0; i < count; ++i) messages.Add(65536 - 200 + random() % 400, random);
    ExpectReferenceDigests(messages, "count " + std::to_string(count));
  }
}

// As a part check feeds parts: 64 KiB of every part per call, then the rest of the whole
// blocks, then the scalar code finishes each part.
TEST_P(Md4LanesTest, ChunkedLikePartsEqualsOneMessage) {
  std::mt19937 random(9728000);
  for (size_t count : {size_t{3}, kMd4MaxMessages}) {
    Messages messages;
    const size_t size = 3 * 65536 + 64 * (random() % 100) + random() % 64;
    for (size_t i = 0; i < count; ++i) messages.Add(size, random);
    std::vector<Md4Context> contexts(count);
    std::vector<Md4Context*> pointers;
    for (Md4Context& context : contexts) {
      Md4Init(&context);
      pointers.push_back(&context);
    }
    const size_t blocks = size / 64;
    for (size_t done = 0; done < blocks;) {
      const size_t step = blocks - done < 1024 ? blocks - done : 1024;
      std::vector<const uint8_t*> from;
      for (size_t i = 0; i < count; ++i) from.push_back(messages.data[i] + 64 * done);
      Md4UpdateLanes(pointers.data(), from.data(), count, step);
      done += step;
    }
    for (size_t i = 0; i < count; ++i) {
      Md4Update(&contexts[i], messages.data[i] + 64 * blocks, static_cast<uint32_t>(size % 64));
      Md4Final(&contexts[i]);
      ASSERT_EQ(Hex(ReferenceMd4(messages.bytes[i])), Hex(contexts[i].digest))
          << "message " << i << " of " << count;
    }
  }
}

TEST_P(Md4LanesTest, ContextsWithBytesPendingStillHashRight) {
  std::mt19937 random(7);
  Messages messages;
  for (int i = 0; i < 20; ++i) messages.Add(64 * 30, random);
  std::vector<Md4Context> contexts(20);
  std::vector<Md4Context*> pointers;
  std::vector<const uint8_t*> from;
  for (int i = 0; i < 20; ++i) {
    Md4Init(&contexts[i]);
    // Every third one is 5 bytes into a block when the lanes take over.
    const uint32_t lead = i % 3 == 0 ? 5 : 0;
    Md4Update(&contexts[i], messages.data[i], lead);
    pointers.push_back(&contexts[i]);
    from.push_back(messages.data[i] + lead);
  }
  Md4UpdateLanes(pointers.data(), from.data(), 20, 29);
  for (int i = 0; i < 20; ++i) {
    const uint32_t fed = (i % 3 == 0 ? 5 : 0) + 29 * 64;
    Md4Update(&contexts[i], messages.data[i] + fed, static_cast<uint32_t>(64 * 30 - fed));
    Md4Final(&contexts[i]);
    ASSERT_EQ(Hex(ReferenceMd4(messages.bytes[i])), Hex(contexts[i].digest)) << "message " << i;
  }
}

TEST_P(Md4LanesTest, OneBufferInEveryLane) {
  std::mt19937 random(11);
  Messages one;
  one.Add(5000, random);
  std::vector<const uint8_t*> data(kMd4MaxMessages, one.data[0]);
  std::vector<size_t> sizes(kMd4MaxMessages);
  for (size_t i = 0; i < sizes.size(); ++i) sizes[i] = 5000 - 64 * (i % 5);
  std::vector<uint8_t> digests(16 * kMd4MaxMessages);
  Md4DigestLanes(data.data(), sizes.data(), kMd4MaxMessages,
                 reinterpret_cast<uint8_t(*)[16]>(digests.data()));
  for (size_t i = 0; i < sizes.size(); ++i) {
    ASSERT_EQ(Hex(ReferenceMd4(one.bytes[0].substr(0, sizes[i]))), Hex(&digests[16 * i])) << i;
  }
}

// Every group count of the kernel, whether or not an arrangement picks it, with every lane
// busy and with one lane short.
TEST_P(Md4LanesTest, EveryPassOfTheKernel) {
  const Md4Kernel kernel = GetParam().kernel.value_or(Md4BestKernel());
  std::mt19937 random(99);
  for (int groups = 1; groups <= kMd4MaxGroups; ++groups) {
    const size_t room = size_t(Md4KernelLanes(kernel)) * groups;
    for (size_t count : {room, room - 1}) {
      if (count == 0) continue;
      Messages messages;
      for (size_t i = 0; i < count; ++i) messages.Add(64 * 9 + 17, random);
      std::vector<Md4Context> contexts(count);
      std::vector<Md4Context*> pointers;
      for (Md4Context& context : contexts) {
        Md4Init(&context);
        pointers.push_back(&context);
      }
      ASSERT_TRUE(Md4UpdatePass(Md4Pass{kernel, groups, count}, pointers.data(),
                                messages.data.data(), 9));
      for (size_t i = 0; i < count; ++i) {
        Md4Update(&contexts[i], messages.data[i] + 64 * 9, 17);
        Md4Final(&contexts[i]);
        ASSERT_EQ(Hex(ReferenceMd4(messages.bytes[i])), Hex(contexts[i].digest))
            << groups << " groups, message " << i << " of " << count;
      }
    }
  }
}

TEST(Md4LanesPassTest, APassThatCannotBeRunHashesNothing) {
  Md4Context context;
  Md4Init(&context);
  Md4Context* contexts[kMd4MaxMessages + 1];
  const uint8_t block[64] = {};
  const uint8_t* data[kMd4MaxMessages + 1];
  for (size_t i = 0; i <= kMd4MaxMessages; ++i) {
    contexts[i] = &context;
    data[i] = block;
  }
  const Md4Kernel best = Md4BestKernel();
  const size_t room = size_t(Md4KernelLanes(best)) * kMd4MaxGroups;
  EXPECT_FALSE(Md4UpdatePass(Md4Pass{best, kMd4MaxGroups, room + 1}, contexts, data, 1));
  EXPECT_FALSE(Md4UpdatePass(Md4Pass{best, kMd4MaxGroups + 1, 1}, contexts, data, 1));
  EXPECT_FALSE(Md4UpdatePass(Md4Pass{best, 0, 1}, contexts, data, 1));
  Md4Update(&context, block, 3);
  EXPECT_FALSE(Md4UpdatePass(Md4Pass{best, 1, 1}, contexts, data, 1));
  EXPECT_EQ(3u * 8, context.count[0]);
}

TEST_P(Md4LanesTest, ArrangementsCoverEveryMessageWithKernelsThatRun) {
  for (size_t count = 1; count <= kMd4MaxMessages; ++count) {
    const Md4Arrangement arrangement = ArrangeMd4Lanes(count);
    size_t covered = 0;
    for (size_t p = 0; p < arrangement.passes; ++p) {
      const Md4Pass& pass = arrangement.pass[p];
      EXPECT_TRUE(Md4KernelRuns(pass.kernel)) << count;
      if (GetParam().kernel) {
        EXPECT_EQ(*GetParam().kernel, pass.kernel) << count;
      }
      EXPECT_GE(pass.groups, 1);
      EXPECT_LE(pass.groups, kMd4MaxGroups);
      EXPECT_GE(pass.messages, 1u);
      EXPECT_LE(pass.messages, size_t(Md4KernelLanes(pass.kernel)) * pass.groups) << count;
      covered += pass.messages;
    }
    EXPECT_EQ(count, covered);
  }
}

// SHA-1 in the lanes of the same kernel (none below AVX2) against the system's, for message
// lengths around the padding's edges and an AICH block, hashed in two calls and finished.
TEST_P(Md4LanesTest, Sha1LanesEqualTheSystemsSha1) {
  const std::optional<Md4Kernel> kernel = GetParam().kernel;
  const size_t width = Sha1LaneWidth();
  if (kernel) {
    EXPECT_EQ(*kernel == Md4Kernel::kAvx512 ? 16u : *kernel == Md4Kernel::kAvx2 ? 8u : 0u, width);
  }
  Sha1LaneState one;
  Sha1LaneState* const oneState[] = {&one};
  const uint8_t* const noData[] = {nullptr};
  // A width no kernel has hashes nothing, and says so.
  EXPECT_FALSE(Sha1UpdateLanes(oneState, noData, 1, 0, 4));
  if (width == 0) return;
  std::mt19937 random(180);
  for (size_t size : {0, 1, 55, 56, 63, 64, 119, 120, 1000, 184320}) {
    for (size_t count : {size_t{1}, width - 1, width, 2 * width + 3}) {
      Messages messages;
      std::vector<Sha1LaneState> states(count);
      std::vector<Sha1LaneState*> pointers;
      for (size_t i = 0; i < count; ++i) {
        messages.Add(size, random);
        Sha1LaneInit(&states[i]);
        pointers.push_back(&states[i]);
      }
      const size_t blocks = size / 64, first = blocks / 3;
      std::vector<const uint8_t*> at(count), tails(count);
      for (size_t i = 0; i < count; ++i) at[i] = messages.data[i] + 64 * first;
      ASSERT_TRUE(Sha1UpdateLanes(pointers.data(), messages.data.data(), count, first, width));
      ASSERT_TRUE(Sha1UpdateLanes(pointers.data(), at.data(), count, blocks - first, width));
      for (size_t i = 0; i < count; ++i) tails[i] = messages.data[i] + 64 * blocks;
      std::vector<uint8_t> digests(kSha1Bytes * count);
      ASSERT_TRUE(Sha1FinishLanes(pointers.data(), tails.data(), count, size,
                                  reinterpret_cast<uint8_t(*)[kSha1Bytes]>(digests.data()), width));
      for (size_t i = 0; i < count; ++i) {
        Sha1 sha1;
        uint8_t expected[kSha1Bytes];
        sha1.Update(reinterpret_cast<const uint8_t*>(messages.bytes[i].data()), size);
        ASSERT_TRUE(sha1.Final(expected));
        ASSERT_EQ(Hex(expected, kSha1Bytes), Hex(&digests[kSha1Bytes * i], kSha1Bytes))
            << size << " bytes, message " << i << " of " << count;
      }
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Kernels, Md4LanesTest,
                         testing::Values(KernelChoice{"Scalar", Md4Kernel::kScalar},
                                         KernelChoice{"Sse2", Md4Kernel::kSse2},
                                         KernelChoice{"Avx2", Md4Kernel::kAvx2},
                                         KernelChoice{"Avx512", Md4Kernel::kAvx512},
                                         KernelChoice{"BestChoice", std::nullopt}),
                         [](const testing::TestParamInfo<KernelChoice>& choice) {
                           return std::string(choice.param.name);
                         });

// What the processor offers, read from CPUID here independently of the engine: AVX2 and
// AVX-512 count only where the OS saves their registers (XCR0).
struct ProcessorFeatures {
  bool avx2 = false;
  bool avx512 = false;
};

ProcessorFeatures ReadProcessorFeatures() {
  ProcessorFeatures features;
#if defined(__x86_64__) || defined(_M_X64)
  unsigned eax, ebx, ecx, edx;
  if (!__get_cpuid(1, &eax, &ebx, &ecx, &edx)) return features;
  const bool osxsave = ecx & (1u << 27), avx = ecx & (1u << 28);
  if (!osxsave || !avx) return features;
  unsigned xcr0_low, xcr0_high;
  __asm__("xgetbv" : "=a"(xcr0_low), "=d"(xcr0_high) : "c"(0));
  const bool ymm_saved = (xcr0_low & 0x6) == 0x6;
  const bool zmm_saved = ymm_saved && (xcr0_low & 0xE0) == 0xE0;
  if (!__get_cpuid_count(7, 0, &eax, &ebx, &ecx, &edx)) return features;
  features.avx2 = ymm_saved && (ebx & (1u << 5));
  features.avx512 = zmm_saved && (ebx & (1u << 16));
#endif
  return features;
}

TEST(Md4LanesDispatchTest, TheBestKernelIsTheWidestTheProcessorOffers) {
  const ProcessorFeatures features = ReadProcessorFeatures();
#if defined(__x86_64__) || defined(_M_X64)
  const Md4Kernel expected = features.avx512 ? Md4Kernel::kAvx512
                             : features.avx2 ? Md4Kernel::kAvx2
                                             : Md4Kernel::kSse2;
  EXPECT_TRUE(Md4KernelRuns(Md4Kernel::kSse2));
#else
  const Md4Kernel expected = Md4Kernel::kScalar;
#endif
  EXPECT_STREQ(Md4KernelName(expected), Md4KernelName(Md4BestKernel()));
  EXPECT_EQ(features.avx2, Md4KernelRuns(Md4Kernel::kAvx2));
  EXPECT_EQ(features.avx512, Md4KernelRuns(Md4Kernel::kAvx512));
  EXPECT_TRUE(Md4KernelRuns(Md4Kernel::kScalar));
}

TEST(Md4LanesDispatchTest, FullBatchesTakeOnePassAndOneMessageGoesScalar) {
  const Md4Kernel best = Md4BestKernel();
  const Md4Arrangement one = ArrangeMd4Lanes(1);
  ASSERT_EQ(1u, one.passes);
  EXPECT_EQ(Md4Kernel::kScalar, one.pass[0].kernel);
  if (best == Md4Kernel::kScalar) return;
  const Md4Arrangement full = ArrangeMd4Lanes(size_t(Md4KernelLanes(best)) * kMd4MaxGroups);
  ASSERT_EQ(1u, full.passes);
  EXPECT_EQ(best, full.pass[0].kernel);
  EXPECT_EQ(kMd4MaxGroups, full.pass[0].groups);
}

TEST(StaggeredLaneBuffersTest, EachLaneStartsOneCacheLineFurtherIntoA4KiBPage) {
  StaggeredLaneBuffers buffers(kMd4MaxMessages, 65536);
  for (size_t i = 0; i < kMd4MaxMessages; ++i) {
    const uintptr_t at = reinterpret_cast<uintptr_t>(buffers.Lane(i));
    EXPECT_EQ(64 * i % 4096, at % 4096) << i;
    if (i > 0) {
      EXPECT_GE(buffers.Lane(i) - buffers.Lane(i - 1), 65536) << i;
    }
    // Every byte is the lane's own: the sanitizers see any overrun.
    std::memset(buffers.Lane(i), int(i), 65536);
  }
  for (size_t i = 0; i < kMd4MaxMessages; ++i) {
    EXPECT_EQ(uint8_t(i), buffers.Lane(i)[0]);
    EXPECT_EQ(uint8_t(i), buffers.Lane(i)[65535]);
  }
}

}  // namespace
