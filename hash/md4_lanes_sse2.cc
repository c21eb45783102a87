// MD4 in 4 lanes of SSE2, which every x86-64 processor has. Built with -msse2 only; see
// hash/md4_lanes_rounds.h for why everything but the entry is in an anonymous namespace.
#include <emmintrin.h>

#include <cstddef>
#include <cstdint>

#include "hash/md4_lanes_kernels.h"

namespace {

struct Sse2 {
  using V = __m128i;
  static constexpr int kLanes = 4;

  static V Load(const uint32_t* p) { return _mm_loadu_si128(reinterpret_cast<const V*>(p)); }
  static void Store(uint32_t* p, V v) { _mm_storeu_si128(reinterpret_cast<V*>(p), v); }
  static V Add(V a, V b) { return _mm_add_epi32(a, b); }

  // GCC reassociates the sum so that the term that waits on b is not added last, which puts
  // one more add on the chain from step to step; an empty asm keeps the early part apart.
  static V Early(V v) {
    __asm__("" : "+x"(v));
    return v;
  }

  template <int S>
  static V Rotl(V v) {
    return _mm_or_si128(_mm_slli_epi32(v, S), _mm_srli_epi32(v, 32 - S));
  }

  // As in hash/md4.cc: c ^ d and c & d are ready before b, which the step before just made,
  // so they join the early part, and only one or two operations wait on b.
  template <int R>
  static V Early(V a, V x, V c, V d) {
    if (R == 1) return Early(Add(a, x));
    if (R == 2) return Early(Add(Add(a, x), Add(_mm_set1_epi32(0x5A827999), _mm_and_si128(c, d))));
    return Early(Add(Add(a, x), _mm_set1_epi32(0x6ED9EBA1)));
  }

  template <int R, int S>
  static V Finish(V early, V b, V c, V d) {
    if (R == 1) return Rotl<S>(Add(early, _mm_xor_si128(d, _mm_and_si128(b, _mm_xor_si128(c, d)))));
    if (R == 2) return Rotl<S>(Add(early, _mm_and_si128(b, _mm_xor_si128(c, d))));
    return Rotl<S>(Add(early, _mm_xor_si128(b, _mm_xor_si128(c, d))));
  }

  // Four words of each of four lanes in, the same word of the four lanes in each out.
  static void Transpose4(V r0, V r1, V r2, V r3, V* out, int stride) {
    const V t0 = _mm_unpacklo_epi32(r0, r1), t1 = _mm_unpacklo_epi32(r2, r3);
    const V t2 = _mm_unpackhi_epi32(r0, r1), t3 = _mm_unpackhi_epi32(r2, r3);
    out[0] = _mm_unpacklo_epi64(t0, t1);
    out[stride] = _mm_unpackhi_epi64(t0, t1);
    out[2 * stride] = _mm_unpacklo_epi64(t2, t3);
    out[3 * stride] = _mm_unpackhi_epi64(t2, t3);
  }

  static V LoadPart(const uint8_t* p) { return _mm_loadu_si128(reinterpret_cast<const V*>(p)); }

  // Part q: words 4q to 4q + 3 of the four lanes.
  static constexpr int kTransposeParts = 4;
  static void TransposePart(const uint8_t* const* lanes, size_t offset, V* out, int stride,
                            int q) {
    const size_t at = offset + 16 * q;
    Transpose4(LoadPart(lanes[0] + at), LoadPart(lanes[1] + at), LoadPart(lanes[2] + at),
               LoadPart(lanes[3] + at), out + 4 * q * stride, stride);
  }
};

}  // namespace

#include "hash/md4_lanes_rounds.h"

void Md4LanesSse2(int groups, uint32_t (*state)[4], const uint8_t* const* data, size_t blocks) {
  HashLanes<Sse2>(groups, state, data, blocks);
}
