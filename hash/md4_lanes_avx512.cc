// MD4 and SHA-1 in 16 lanes of AVX-512, with rotates (vprold) and three-input logic (vpternlogd) of
// AVX512F. Built with -mavx512f and called only where the processor and the OS support it; see
// hash/md4_lanes_rounds.h for why everything but the entry is in an anonymous namespace.
// GCC 12's AVX-512 intrinsics start from a self-initialised "undefined" vector, which
// -Wuninitialized and -Wmaybe-uninitialized report once they are inlined; it is never read.
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wuninitialized"
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
#endif
#include <immintrin.h>
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic pop
#endif

#include <cstddef>
#include <cstdint>

#include "hash/md4_lanes_kernels.h"

namespace {

struct Avx512 {
  using V = __m512i;
  static constexpr int kLanes = 16;

  static V Load(const uint32_t* p) { return _mm512_loadu_si512(p); }
  static void Store(uint32_t* p, V v) { _mm512_storeu_si512(p, v); }
  static V Add(V a, V b) { return _mm512_add_epi32(a, b); }
  static V Set1(uint32_t k) { return _mm512_set1_epi32(static_cast<int>(k)); }

  // SHA-1's: each round function and the schedule's three-way xor is one vpternlogd.
  template <int S>
  static V Rol(V v) {
    return _mm512_rol_epi32(v, S);
  }
  static V Ch(V b, V c, V d) { return _mm512_ternarylogic_epi32(b, c, d, 0xCA); }
  static V Parity(V b, V c, V d) { return _mm512_ternarylogic_epi32(b, c, d, 0x96); }
  static V Maj(V b, V c, V d) { return _mm512_ternarylogic_epi32(b, c, d, 0xE8); }
  static V Xor4(V a, V b, V c, V d) {
    return _mm512_xor_si512(_mm512_ternarylogic_epi32(a, b, c, 0x96), d);
  }
  // Without AVX512BW's byte shuffle: bytes 3 and 1 from the word rotated right by 8, bytes 2
  // and 0 from it rotated left by 8.
  static V Bswap(V v) {
    return _mm512_ternarylogic_epi32(_mm512_set1_epi32(static_cast<int>(0xFF00FF00)),
                                     _mm512_ror_epi32(v, 8), _mm512_rol_epi32(v, 8), 0xCA);
  }

  // GCC reassociates the sum so that the term that waits on b is not added last, which puts
  // one more add on the chain from step to step; an empty asm keeps the early part apart.
  static V Early(V v) {
    __asm__("" : "+v"(v));
    return v;
  }

  template <int R>
  static V Early(V a, V x, V, V) {
    if (R == 1) return Early(Add(a, x));
    if (R == 2) return Early(Add(Add(a, x), _mm512_set1_epi32(0x5A827999)));
    return Early(Add(Add(a, x), _mm512_set1_epi32(0x6ED9EBA1)));
  }

  // Each round function is one vpternlogd (its truth table as the immediate), so a step is
  // three operations deep after b: logic, add, rotate. d comes first, as the operand the
  // instruction overwrites; for round 1, d selected where b is 0, c where it is 1.
  template <int R, int S>
  static V Finish(V early, V b, V c, V d) {
    const V f = R == 1   ? _mm512_ternarylogic_epi32(d, b, c, 0xB8)
                : R == 2 ? _mm512_ternarylogic_epi32(d, b, c, 0xE8)
                         : _mm512_ternarylogic_epi32(d, b, c, 0x96);
    return _mm512_rol_epi32(Add(early, f), S);
  }

  // 32 bytes of lane i (words 8h to 8h + 7) in the low half and of lane i + 4 in the high half.
  static V Pair(const uint8_t* const* lanes, int i, size_t at) {
    const __m256i low = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(lanes[i] + at));
    const __m256i high = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(lanes[i + 4] + at));
    return _mm512_inserti64x4(_mm512_castsi256_si512(low), high, 1);
  }

  // Four pairs in, for lanes i to i + 3 and i + 4 to i + 7: after a 4 x 4 transpose within each
  // 128-bit quarter, quarter 0 holds word 8h + j of lanes i to i + 3, quarter 1 word 8h + 4 + j
  // of the same lanes, quarters 2 and 3 the same of lanes i + 4 to i + 7.
  static void Transpose4(V r0, V r1, V r2, V r3, V (&t)[4]) {
    const V t0 = _mm512_unpacklo_epi32(r0, r1), t1 = _mm512_unpacklo_epi32(r2, r3);
    const V t2 = _mm512_unpackhi_epi32(r0, r1), t3 = _mm512_unpackhi_epi32(r2, r3);
    t[0] = _mm512_unpacklo_epi64(t0, t1);
    t[1] = _mm512_unpackhi_epi64(t0, t1);
    t[2] = _mm512_unpacklo_epi64(t2, t3);
    t[3] = _mm512_unpackhi_epi64(t2, t3);
  }

  // Part h: words 8h to 8h + 7 of the sixteen lanes. Loads of 32 bytes and 4 x 4 transposes for
  // lanes 0-7 and 8-15, then one shuffle of 128-bit quarters joins the two: 64 shuffles for a
  // block, where loads of 16 bytes took 80.
  static constexpr int kTransposeParts = 2;
  static void TransposePart(const uint8_t* const* lanes, size_t offset, V* out, int stride,
                            int h) {
    const size_t at = offset + 32 * h;
    V low[4], high[4];
    Transpose4(Pair(lanes, 0, at), Pair(lanes, 1, at), Pair(lanes, 2, at), Pair(lanes, 3, at),
               low);
    Transpose4(Pair(lanes, 8, at), Pair(lanes, 9, at), Pair(lanes, 10, at), Pair(lanes, 11, at),
               high);
    for (int j = 0; j < 4; ++j) {
      out[(8 * h + j) * stride] = _mm512_shuffle_i32x4(low[j], high[j], 0x88);
      out[(8 * h + 4 + j) * stride] = _mm512_shuffle_i32x4(low[j], high[j], 0xDD);
    }
  }
};

}  // namespace

#include "hash/md4_lanes_rounds.h"
#include "hash/sha1_lanes_rounds.h"

void Md4LanesAvx512(int groups, uint32_t (*state)[4], const uint8_t* const* data, size_t blocks) {
  HashLanes<Avx512>(groups, state, data, blocks);
}

void Sha1LanesAvx512(uint32_t (*state)[5], const uint8_t* const* data, size_t blocks) {
  Sha1HashLanes<Avx512>(state, data, blocks);
}
