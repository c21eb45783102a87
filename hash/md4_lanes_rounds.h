// The MD4 block loop over SIMD lanes, written once for every kernel: the including file first
// defines, in its anonymous namespace, a struct of its vector operations (see HashLaneGroups).
// Everything here is in an anonymous namespace too, so that each kernel file gets a copy built
// for its own instruction set and the linker can never hand one file's copy to another.
// Include it from kernel files only, after <cstddef> and <cstdint>.
#ifndef PARTSWEEP_HASH_MD4_LANES_ROUNDS_H_
#define PARTSWEEP_HASH_MD4_LANES_ROUNDS_H_

namespace {

// One MD4 step for the same lanes of every group; the groups are independent, so placing their
// steps side by side lets the processor overlap their latency-bound chains. `early` holds the
// sums a + x (+ constant) made before, and is left with the next step's, made from d before the
// round function consumes it: d is then dead, so a destructive three-input instruction
// (vpternlogd) can overwrite it instead of a copy. The next step's a, c and d are this d, b, c.
template <class Ops, int R, int S, int RN, int G>
inline void StepGroups(typename Ops::V* early, typename Ops::V* a, const typename Ops::V* b,
                       const typename Ops::V* c, const typename Ops::V* d,
                       const typename Ops::V* next_x) {
  typename Ops::V next[G];
#pragma GCC unroll 4
  for (int g = 0; g < G; ++g) {
    if constexpr (RN != 0) next[g] = Ops::template Early<RN>(d[g], next_x[g], b[g], c[g]);
    a[g] = Ops::template Finish<R, S>(early[g], b[g], c[g], d[g]);
    if constexpr (RN != 0) early[g] = next[g];
  }
}

// The next block's words are transposed in pieces spread over the steps of this one, where
// the latency-bound steps leave the vector units idle; all at once, they would wait in line.
// One piece is a part (Ops::kTransposeParts of a group's block) of one group, after step K.
template <class Ops, int G, int K>
inline void TransposeAfterStep(const uint8_t* const* data, size_t offset, typename Ops::V* out) {
  constexpr int kPieces = G * Ops::kTransposeParts;
  constexpr int kEvery = 48 / kPieces;
  if constexpr (K % kEvery == 0 && K / kEvery < kPieces) {
    constexpr int group = K / kEvery / Ops::kTransposeParts;
    constexpr int part = K / kEvery % Ops::kTransposeParts;
    Ops::TransposePart(data + group * Ops::kLanes, offset, out + group, G, part);
  }
}

// A whole block of every group at once, for the first block.
template <class Ops, int G>
inline void TransposeBlock(const uint8_t* const* data, size_t offset, typename Ops::V* out) {
#pragma GCC unroll 4
  for (int g = 0; g < G; ++g) {
#pragma GCC unroll 4
    for (int part = 0; part < Ops::kTransposeParts; ++part) {
      Ops::TransposePart(data + g * Ops::kLanes, offset, out + g, G, part);
    }
  }
}

// Moves lane i's word w to element i of a vector: state[lane][w] for `Ops::kLanes` lanes.
template <class Ops>
inline typename Ops::V LoadStateWord(uint32_t (*state)[4], int w) {
  uint32_t words[Ops::kLanes];
  for (int i = 0; i < Ops::kLanes; ++i) words[i] = state[i][w];
  return Ops::Load(words);
}

// The reverse: element i of v to state[i][w].
template <class Ops>
inline void StoreStateWord(uint32_t (*state)[4], int w, typename Ops::V v) {
  uint32_t words[Ops::kLanes];
  Ops::Store(words, v);
  for (int i = 0; i < Ops::kLanes; ++i) state[i][w] = words[i];
}

// Hashes `blocks` blocks of G groups of Ops::kLanes messages. Ops has the vector type V, kLanes,
// Load/Store (unaligned), Add; for round R, Early<R>(a, x, c, d), the part of the step's sum that
// does not wait on b, and Finish<R, shift>(early, b, c, d), the new a; and kTransposeParts and
// TransposePart(lanes, offset, out, stride, part), which together write word w of the block at
// lanes[i] + offset as element i of out[w * stride].
template <class Ops, int G>
void HashLaneGroups(uint32_t (*state)[4], const uint8_t* const* lanes, size_t blocks) {
  using V = typename Ops::V;
  constexpr int L = Ops::kLanes;
  // A copy of the caller's array, which the stores below might otherwise reach.
  const uint8_t* data[G * L];
  for (int i = 0; i < G * L; ++i) data[i] = lanes[i];
  V a[G], b[G], c[G], d[G];
#pragma GCC unroll 4
  for (int g = 0; g < G; ++g) {
    a[g] = LoadStateWord<Ops>(state + g * L, 0);
    b[g] = LoadStateWord<Ops>(state + g * L, 1);
    c[g] = LoadStateWord<Ops>(state + g * L, 2);
    d[g] = LoadStateWord<Ops>(state + g * L, 3);
  }
  // The block's words, word-major: x[w * G + g], and the next block's. Aligned by hand, because
  // mingw-w64 does not align the stack for vectors wider than 16 bytes.
  // The offset is added to the array, not made into a pointer from an integer, so that GCC still
  // knows the stores there leave the lane pointers alone.
  unsigned char raw[2 * 16 * G * sizeof(V) + 64];
  V* x = reinterpret_cast<V*>(raw + (-reinterpret_cast<uintptr_t>(raw) & 63));
  V* next_x = x + 16 * G;
  TransposeBlock<Ops, G>(data, 0, x);

  for (size_t n = 0; n < blocks; ++n) {
    // The last block transposes itself again instead of reading past the end.
    const size_t next_offset = 64 * (n + 1 < blocks ? n + 1 : n);
    V a0[G], b0[G], c0[G], d0[G], early[G];
#pragma GCC unroll 4
    for (int g = 0; g < G; ++g) {
      a0[g] = a[g];
      b0[g] = b[g];
      c0[g] = c[g];
      d0[g] = d[g];
      early[g] = Ops::template Early<1>(a[g], x[g], c[g], d[g]);
    }
    // Each step: its number, round, shift, the roles of the state words, its word, the next
    // step's round and word (round 0: none).
#define PARTSWEEP_STEP(K, R, S, A, B, C, D, W, RN, WN)           \
  StepGroups<Ops, R, S, RN, G>(early, A, B, C, D, x + (WN) * G); \
  TransposeAfterStep<Ops, G, K>(data, next_offset, next_x)
    PARTSWEEP_STEP(0, 1, 3, a, b, c, d, 0, 1, 1);
    PARTSWEEP_STEP(1, 1, 7, d, a, b, c, 1, 1, 2);
    PARTSWEEP_STEP(2, 1, 11, c, d, a, b, 2, 1, 3);
    PARTSWEEP_STEP(3, 1, 19, b, c, d, a, 3, 1, 4);
    PARTSWEEP_STEP(4, 1, 3, a, b, c, d, 4, 1, 5);
    PARTSWEEP_STEP(5, 1, 7, d, a, b, c, 5, 1, 6);
    PARTSWEEP_STEP(6, 1, 11, c, d, a, b, 6, 1, 7);
    PARTSWEEP_STEP(7, 1, 19, b, c, d, a, 7, 1, 8);
    PARTSWEEP_STEP(8, 1, 3, a, b, c, d, 8, 1, 9);
    PARTSWEEP_STEP(9, 1, 7, d, a, b, c, 9, 1, 10);
    PARTSWEEP_STEP(10, 1, 11, c, d, a, b, 10, 1, 11);
    PARTSWEEP_STEP(11, 1, 19, b, c, d, a, 11, 1, 12);
    PARTSWEEP_STEP(12, 1, 3, a, b, c, d, 12, 1, 13);
    PARTSWEEP_STEP(13, 1, 7, d, a, b, c, 13, 1, 14);
    PARTSWEEP_STEP(14, 1, 11, c, d, a, b, 14, 1, 15);
    PARTSWEEP_STEP(15, 1, 19, b, c, d, a, 15, 2, 0);

    // Each round reads the words from memory again: GCC would keep them from the round before
    // in registers, where they do not fit, and spill them to another place on the stack.
    __asm__ volatile("" ::: "memory");
    PARTSWEEP_STEP(16, 2, 3, a, b, c, d, 0, 2, 4);
    PARTSWEEP_STEP(17, 2, 5, d, a, b, c, 4, 2, 8);
    PARTSWEEP_STEP(18, 2, 9, c, d, a, b, 8, 2, 12);
    PARTSWEEP_STEP(19, 2, 13, b, c, d, a, 12, 2, 1);
    PARTSWEEP_STEP(20, 2, 3, a, b, c, d, 1, 2, 5);
    PARTSWEEP_STEP(21, 2, 5, d, a, b, c, 5, 2, 9);
    PARTSWEEP_STEP(22, 2, 9, c, d, a, b, 9, 2, 13);
    PARTSWEEP_STEP(23, 2, 13, b, c, d, a, 13, 2, 2);
    PARTSWEEP_STEP(24, 2, 3, a, b, c, d, 2, 2, 6);
    PARTSWEEP_STEP(25, 2, 5, d, a, b, c, 6, 2, 10);
    PARTSWEEP_STEP(26, 2, 9, c, d, a, b, 10, 2, 14);
    PARTSWEEP_STEP(27, 2, 13, b, c, d, a, 14, 2, 3);
    PARTSWEEP_STEP(28, 2, 3, a, b, c, d, 3, 2, 7);
    PARTSWEEP_STEP(29, 2, 5, d, a, b, c, 7, 2, 11);
    PARTSWEEP_STEP(30, 2, 9, c, d, a, b, 11, 2, 15);
    PARTSWEEP_STEP(31, 2, 13, b, c, d, a, 15, 3, 0);

    __asm__ volatile("" ::: "memory");
    PARTSWEEP_STEP(32, 3, 3, a, b, c, d, 0, 3, 8);
    PARTSWEEP_STEP(33, 3, 9, d, a, b, c, 8, 3, 4);
    PARTSWEEP_STEP(34, 3, 11, c, d, a, b, 4, 3, 12);
    PARTSWEEP_STEP(35, 3, 15, b, c, d, a, 12, 3, 2);
    PARTSWEEP_STEP(36, 3, 3, a, b, c, d, 2, 3, 10);
    PARTSWEEP_STEP(37, 3, 9, d, a, b, c, 10, 3, 6);
    PARTSWEEP_STEP(38, 3, 11, c, d, a, b, 6, 3, 14);
    PARTSWEEP_STEP(39, 3, 15, b, c, d, a, 14, 3, 1);
    PARTSWEEP_STEP(40, 3, 3, a, b, c, d, 1, 3, 9);
    PARTSWEEP_STEP(41, 3, 9, d, a, b, c, 9, 3, 5);
    PARTSWEEP_STEP(42, 3, 11, c, d, a, b, 5, 3, 13);
    PARTSWEEP_STEP(43, 3, 15, b, c, d, a, 13, 3, 3);
    PARTSWEEP_STEP(44, 3, 3, a, b, c, d, 3, 3, 11);
    PARTSWEEP_STEP(45, 3, 9, d, a, b, c, 11, 3, 7);
    PARTSWEEP_STEP(46, 3, 11, c, d, a, b, 7, 3, 15);
    PARTSWEEP_STEP(47, 3, 15, b, c, d, a, 15, 0, 0);
#undef PARTSWEEP_STEP

#pragma GCC unroll 4
    for (int g = 0; g < G; ++g) {
      a[g] = Ops::Add(a[g], a0[g]);
      b[g] = Ops::Add(b[g], b0[g]);
      c[g] = Ops::Add(c[g], c0[g]);
      d[g] = Ops::Add(d[g], d0[g]);
    }
    V* const done = x;
    x = next_x;
    next_x = done;
  }
#pragma GCC unroll 4
  for (int g = 0; g < G; ++g) {
    StoreStateWord<Ops>(state + g * L, 0, a[g]);
    StoreStateWord<Ops>(state + g * L, 1, b[g]);
    StoreStateWord<Ops>(state + g * L, 2, c[g]);
    StoreStateWord<Ops>(state + g * L, 3, d[g]);
  }
}

// The kernel's entry: the group count picks the unrolled copy.
template <class Ops>
void HashLanes(int groups, uint32_t (*state)[4], const uint8_t* const* data, size_t blocks) {
  if (blocks == 0) return;
  switch (groups) {
    case 1: HashLaneGroups<Ops, 1>(state, data, blocks); break;
    case 2: HashLaneGroups<Ops, 2>(state, data, blocks); break;
    default: HashLaneGroups<Ops, 3>(state, data, blocks); break;
  }
}

}  // namespace

#endif  // PARTSWEEP_HASH_MD4_LANES_ROUNDS_H_
