// MD4 in 16 lanes of AVX-512, with rotates (vprold) and three-input logic (vpternlogd) of
// AVX512F. Built with -mavx512f and called only where the processor and the OS support it; see
// hash/md4_lanes_rounds.h for why everything but the entry is in an anonymous namespace.
// GCC 12's AVX-512 intrinsics start from a self-initialised "undefined" vector, which
// -Wmaybe-uninitialized reports once they are inlined; the vector is never read.
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic push
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

  // GCC reassociates the sum so that the term that waits on b is not added last, which puts
  // one more add on the chain from step to step; an empty asm keeps the early part apart.
  static V Early(V v) {
    __asm__("" : "+v"(v));
    return v;
  }

  // Each round function is one vpternlogd (its truth table as the immediate), so a step is
  // three operations deep after b: logic, add, rotate.
  template <int R, int S>
  static V Step(V a, V b, V c, V d, V x) {
    if (R == 1) {
      return _mm512_rol_epi32(Add(Early(Add(a, x)), _mm512_ternarylogic_epi32(b, c, d, 0xCA)), S);
    }
    if (R == 2) {
      const V early = Add(Add(a, x), _mm512_set1_epi32(0x5A827999));
      return _mm512_rol_epi32(Add(Early(early), _mm512_ternarylogic_epi32(b, c, d, 0xE8)), S);
    }
    const V early = Add(Add(a, x), _mm512_set1_epi32(0x6ED9EBA1));
    return _mm512_rol_epi32(Add(Early(early), _mm512_ternarylogic_epi32(b, c, d, 0x96)), S);
  }

  // Within each 128-bit quarter: four words of each of four lanes in, the same word of the
  // four lanes in each out.
  static void Transpose4(V r0, V r1, V r2, V r3, V* out, int stride) {
    const V t0 = _mm512_unpacklo_epi32(r0, r1), t1 = _mm512_unpacklo_epi32(r2, r3);
    const V t2 = _mm512_unpackhi_epi32(r0, r1), t3 = _mm512_unpackhi_epi32(r2, r3);
    out[0] = _mm512_unpacklo_epi64(t0, t1);
    out[stride] = _mm512_unpackhi_epi64(t0, t1);
    out[2 * stride] = _mm512_unpacklo_epi64(t2, t3);
    out[3 * stride] = _mm512_unpackhi_epi64(t2, t3);
  }

  static __m128i LoadPart(const uint8_t* p) {
    return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
  }

  // 16 bytes of lanes i, i + 4, i + 8 and i + 12 in quarters 0 to 3, so that the 4 x 4
  // transposes within the quarters leave lanes 4k to 4k + 3 in quarter k.
  static V Quad(const uint8_t* const* lanes, int i, size_t at) {
    V v = _mm512_castsi128_si512(LoadPart(lanes[i] + at));
    v = _mm512_inserti32x4(v, LoadPart(lanes[i + 4] + at), 1);
    v = _mm512_inserti32x4(v, LoadPart(lanes[i + 8] + at), 2);
    return _mm512_inserti32x4(v, LoadPart(lanes[i + 12] + at), 3);
  }

  static void Transpose(const uint8_t* const* lanes, size_t offset, V* out, int stride) {
    for (int q = 0; q < 4; ++q) {
      const size_t at = offset + 16 * q;
      Transpose4(Quad(lanes, 0, at), Quad(lanes, 1, at), Quad(lanes, 2, at), Quad(lanes, 3, at),
                 out + 4 * q * stride, stride);
    }
  }
};

}  // namespace

#include "hash/md4_lanes_rounds.h"

void Md4LanesAvx512(int groups, uint32_t (*state)[4], const uint8_t* const* data, size_t blocks) {
  HashLanes<Avx512>(groups, state, data, blocks);
}
