// The MD4 block loop over SIMD lanes, written once for every kernel: the including file first
// defines, in its anonymous namespace, a struct of its vector operations (see HashLaneGroups).
// Everything here is in an anonymous namespace too, so that each kernel file gets a copy built
// for its own instruction set and the linker can never hand one file's copy to another.
// Include it from kernel files only, after <cstddef> and <cstdint>.
#ifndef PARTSWEEP_HASH_MD4_LANES_ROUNDS_H_
#define PARTSWEEP_HASH_MD4_LANES_ROUNDS_H_

namespace {

// One MD4 step for the same lanes of every group: the groups are independent, so placing their
// steps side by side lets the processor overlap their latency-bound chains.
template <class Ops, int R, int S, int G>
inline void StepGroups(typename Ops::V* a, const typename Ops::V* b, const typename Ops::V* c,
                       const typename Ops::V* d, const typename Ops::V* x) {
#pragma GCC unroll 4
  for (int g = 0; g < G; ++g) a[g] = Ops::template Step<R, S>(a[g], b[g], c[g], d[g], x[g]);
}

// Moves lane i's word w to element i of a vector: state[lane][w] for `Ops::kLanes` lanes.
template <class Ops>
inline typename Ops::V LoadStateWord(uint32_t (*state)[4], int w) {
  uint32_t words[Ops::kLanes];
  for (int i = 0; i < Ops::kLanes; ++i) words[i] = state[i][w];
  return Ops::Load(words);
}

template <class Ops>
inline void StoreStateWord(uint32_t (*state)[4], int w, typename Ops::V v) {
  uint32_t words[Ops::kLanes];
  Ops::Store(words, v);
  for (int i = 0; i < Ops::kLanes; ++i) state[i][w] = words[i];
}

// Hashes `blocks` blocks of G groups of Ops::kLanes messages. Ops has the vector type V, kLanes,
// Load/Store (unaligned), Add, Step<round, shift>(a, b, c, d, x) giving the new a, and
// Transpose(lanes, offset, out, stride), which writes word w of the block at lanes[i] + offset
// as element i of out[w * stride].
template <class Ops, int G>
void HashLaneGroups(uint32_t (*state)[4], const uint8_t* const* data, size_t blocks) {
  using V = typename Ops::V;
  constexpr int L = Ops::kLanes;
  V a[G], b[G], c[G], d[G];
  for (int g = 0; g < G; ++g) {
    a[g] = LoadStateWord<Ops>(state + g * L, 0);
    b[g] = LoadStateWord<Ops>(state + g * L, 1);
    c[g] = LoadStateWord<Ops>(state + g * L, 2);
    d[g] = LoadStateWord<Ops>(state + g * L, 3);
  }
  // The block's words, word-major: x[w * G + g]. Aligned by hand, because mingw-w64 does not
  // align the stack for vectors wider than 16 bytes.
  unsigned char raw[16 * G * sizeof(V) + 64];
  V* x = reinterpret_cast<V*>((reinterpret_cast<uintptr_t>(raw) + 63) & ~uintptr_t{63});

  for (size_t n = 0; n < blocks; ++n) {
    for (int g = 0; g < G; ++g) Ops::Transpose(data + g * L, 64 * n, x + g, G);
    V a0[G], b0[G], c0[G], d0[G];
    for (int g = 0; g < G; ++g) {
      a0[g] = a[g];
      b0[g] = b[g];
      c0[g] = c[g];
      d0[g] = d[g];
    }
#define PARTSWEEP_STEP(R, S, A, B, C, D, W) StepGroups<Ops, R, S, G>(A, B, C, D, x + (W) * G)
    PARTSWEEP_STEP(1, 3, a, b, c, d, 0);   PARTSWEEP_STEP(1, 7, d, a, b, c, 1);
    PARTSWEEP_STEP(1, 11, c, d, a, b, 2);  PARTSWEEP_STEP(1, 19, b, c, d, a, 3);
    PARTSWEEP_STEP(1, 3, a, b, c, d, 4);   PARTSWEEP_STEP(1, 7, d, a, b, c, 5);
    PARTSWEEP_STEP(1, 11, c, d, a, b, 6);  PARTSWEEP_STEP(1, 19, b, c, d, a, 7);
    PARTSWEEP_STEP(1, 3, a, b, c, d, 8);   PARTSWEEP_STEP(1, 7, d, a, b, c, 9);
    PARTSWEEP_STEP(1, 11, c, d, a, b, 10); PARTSWEEP_STEP(1, 19, b, c, d, a, 11);
    PARTSWEEP_STEP(1, 3, a, b, c, d, 12);  PARTSWEEP_STEP(1, 7, d, a, b, c, 13);
    PARTSWEEP_STEP(1, 11, c, d, a, b, 14); PARTSWEEP_STEP(1, 19, b, c, d, a, 15);

    PARTSWEEP_STEP(2, 3, a, b, c, d, 0);   PARTSWEEP_STEP(2, 5, d, a, b, c, 4);
    PARTSWEEP_STEP(2, 9, c, d, a, b, 8);   PARTSWEEP_STEP(2, 13, b, c, d, a, 12);
    PARTSWEEP_STEP(2, 3, a, b, c, d, 1);   PARTSWEEP_STEP(2, 5, d, a, b, c, 5);
    PARTSWEEP_STEP(2, 9, c, d, a, b, 9);   PARTSWEEP_STEP(2, 13, b, c, d, a, 13);
    PARTSWEEP_STEP(2, 3, a, b, c, d, 2);   PARTSWEEP_STEP(2, 5, d, a, b, c, 6);
    PARTSWEEP_STEP(2, 9, c, d, a, b, 10);  PARTSWEEP_STEP(2, 13, b, c, d, a, 14);
    PARTSWEEP_STEP(2, 3, a, b, c, d, 3);   PARTSWEEP_STEP(2, 5, d, a, b, c, 7);
    PARTSWEEP_STEP(2, 9, c, d, a, b, 11);  PARTSWEEP_STEP(2, 13, b, c, d, a, 15);

    PARTSWEEP_STEP(3, 3, a, b, c, d, 0);   PARTSWEEP_STEP(3, 9, d, a, b, c, 8);
    PARTSWEEP_STEP(3, 11, c, d, a, b, 4);  PARTSWEEP_STEP(3, 15, b, c, d, a, 12);
    PARTSWEEP_STEP(3, 3, a, b, c, d, 2);   PARTSWEEP_STEP(3, 9, d, a, b, c, 10);
    PARTSWEEP_STEP(3, 11, c, d, a, b, 6);  PARTSWEEP_STEP(3, 15, b, c, d, a, 14);
    PARTSWEEP_STEP(3, 3, a, b, c, d, 1);   PARTSWEEP_STEP(3, 9, d, a, b, c, 9);
    PARTSWEEP_STEP(3, 11, c, d, a, b, 5);  PARTSWEEP_STEP(3, 15, b, c, d, a, 13);
    PARTSWEEP_STEP(3, 3, a, b, c, d, 3);   PARTSWEEP_STEP(3, 9, d, a, b, c, 11);
    PARTSWEEP_STEP(3, 11, c, d, a, b, 7);  PARTSWEEP_STEP(3, 15, b, c, d, a, 15);
#undef PARTSWEEP_STEP

    for (int g = 0; g < G; ++g) {
      a[g] = Ops::Add(a[g], a0[g]);
      b[g] = Ops::Add(b[g], b0[g]);
      c[g] = Ops::Add(c[g], c0[g]);
      d[g] = Ops::Add(d[g], d0[g]);
    }
  }
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
    case 3: HashLaneGroups<Ops, 3>(state, data, blocks); break;
    default: HashLaneGroups<Ops, 4>(state, data, blocks); break;
  }
}

}  // namespace

#endif  // PARTSWEEP_HASH_MD4_LANES_ROUNDS_H_
