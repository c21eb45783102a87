// MD4 and SHA-1 in 8 lanes of AVX2. Built with -mavx2 and called only where the processor and
// the OS support it; see hash/md4_lanes_rounds.h for why everything but the entry is in an
// anonymous namespace.
#include <immintrin.h>

#include <cstddef>
#include <cstdint>

#include "hash/md4_lanes_kernels.h"

namespace {

struct Avx2 {
  using V = __m256i;
  static constexpr int kLanes = 8;

  static V Load(const uint32_t* p) { return _mm256_loadu_si256(reinterpret_cast<const V*>(p)); }
  static void Store(uint32_t* p, V v) { _mm256_storeu_si256(reinterpret_cast<V*>(p), v); }
  static V Add(V a, V b) { return _mm256_add_epi32(a, b); }
  static V Set1(uint32_t k) { return _mm256_set1_epi32(static_cast<int>(k)); }

  // SHA-1's.
  template <int S>
  static V Rol(V v) {
    return _mm256_or_si256(_mm256_slli_epi32(v, S), _mm256_srli_epi32(v, 32 - S));
  }
  static V Ch(V b, V c, V d) {
    return _mm256_xor_si256(d, _mm256_and_si256(b, _mm256_xor_si256(c, d)));
  }
  static V Parity(V b, V c, V d) { return _mm256_xor_si256(b, _mm256_xor_si256(c, d)); }
  static V Maj(V b, V c, V d) {
    return _mm256_or_si256(_mm256_and_si256(b, c), _mm256_and_si256(d, _mm256_or_si256(b, c)));
  }
  static V Xor4(V a, V b, V c, V d) {
    return _mm256_xor_si256(_mm256_xor_si256(a, b), _mm256_xor_si256(c, d));
  }
  static V Bswap(V v) {
    const V order = _mm256_setr_epi8(3, 2, 1, 0, 7, 6, 5, 4, 11, 10, 9, 8, 15, 14, 13, 12,
                                     3, 2, 1, 0, 7, 6, 5, 4, 11, 10, 9, 8, 15, 14, 13, 12);
    return _mm256_shuffle_epi8(v, order);
  }

  // GCC reassociates the sum so that the term that waits on b is not added last, which puts
  // one more add on the chain from step to step; an empty asm keeps the early part apart.
  static V Early(V v) {
    __asm__("" : "+x"(v));
    return v;
  }

  template <int S>
  static V Rotl(V v) {
    return _mm256_or_si256(_mm256_slli_epi32(v, S), _mm256_srli_epi32(v, 32 - S));
  }

  // As in hash/md4.cc: c ^ d and c & d are ready before b, which the step before just made,
  // so they join the early part, and only one or two operations wait on b.
  template <int R>
  static V Early(V a, V x, V c, V d) {
    if (R == 1) return Early(Add(a, x));
    if (R == 2) {
      return Early(Add(Add(a, x), Add(_mm256_set1_epi32(0x5A827999), _mm256_and_si256(c, d))));
    }
    return Early(Add(Add(a, x), _mm256_set1_epi32(0x6ED9EBA1)));
  }

  template <int R, int S>
  static V Finish(V early, V b, V c, V d) {
    if (R == 1) {
      return Rotl<S>(Add(early, _mm256_xor_si256(d, _mm256_and_si256(b, _mm256_xor_si256(c, d)))));
    }
    if (R == 2) return Rotl<S>(Add(early, _mm256_and_si256(b, _mm256_xor_si256(c, d))));
    return Rotl<S>(Add(early, _mm256_xor_si256(b, _mm256_xor_si256(c, d))));
  }

  // Within each 128-bit half: four words of each of four lanes in, the same word of the four
  // lanes in each out.
  static void Transpose4(V r0, V r1, V r2, V r3, V* out, int stride) {
    const V t0 = _mm256_unpacklo_epi32(r0, r1), t1 = _mm256_unpacklo_epi32(r2, r3);
    const V t2 = _mm256_unpackhi_epi32(r0, r1), t3 = _mm256_unpackhi_epi32(r2, r3);
    out[0] = _mm256_unpacklo_epi64(t0, t1);
    out[stride] = _mm256_unpackhi_epi64(t0, t1);
    out[2 * stride] = _mm256_unpacklo_epi64(t2, t3);
    out[3 * stride] = _mm256_unpackhi_epi64(t2, t3);
  }

  static __m128i LoadPart(const uint8_t* p) {
    return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
  }

  // 16 bytes of lane i in the low half and of lane i + 4 in the high half, so that the 4 x 4
  // transposes within the halves leave lanes 0-3 low and 4-7 high.
  static V Pair(const uint8_t* const* lanes, int i, size_t at) {
    return _mm256_inserti128_si256(_mm256_castsi128_si256(LoadPart(lanes[i] + at)),
                                   LoadPart(lanes[i + 4] + at), 1);
  }

  // Part q: words 4q to 4q + 3 of the eight lanes.
  static constexpr int kTransposeParts = 4;
  static void TransposePart(const uint8_t* const* lanes, size_t offset, V* out, int stride,
                            int q) {
    const size_t at = offset + 16 * q;
    Transpose4(Pair(lanes, 0, at), Pair(lanes, 1, at), Pair(lanes, 2, at), Pair(lanes, 3, at),
               out + 4 * q * stride, stride);
  }
};

}  // namespace

#include "hash/md4_lanes_rounds.h"
#include "hash/sha1_lanes_rounds.h"

void Md4LanesAvx2(int groups, uint32_t (*state)[4], const uint8_t* const* data, size_t blocks) {
  HashLanes<Avx2>(groups, state, data, blocks);
}

void Sha1LanesAvx2(uint32_t (*state)[5], const uint8_t* const* data, size_t blocks) {
  Sha1HashLanes<Avx2>(state, data, blocks);
}
