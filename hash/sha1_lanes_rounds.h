// The SHA-1 block loop (FIPS 180-4) over SIMD lanes, one message a lane, written once for every
// kernel as hash/md4_lanes_rounds.h is: the including file defines, in its anonymous namespace,
// the struct of its vector operations, with these beside the MD4 ones: Rol<S>, Ch, Parity, Maj
// (the round functions of b, c, d), Xor4 and Bswap (each 32-bit element's bytes reversed:
// SHA-1 reads its words big-endian). Everything is in an anonymous namespace, so that each
// kernel file gets a copy built for its own instruction set.
#ifndef PARTSWEEP_HASH_SHA1_LANES_ROUNDS_H_
#define PARTSWEEP_HASH_SHA1_LANES_ROUNDS_H_

#include <utility>

namespace {

// Round t of every lane. The schedule keeps the last 16 words in w, word t in w[t % 16]. The
// state words move down a place each round; inlined, the moves are only renamed registers.
template <class Ops, int T>
inline void Sha1Round(typename Ops::V (&s)[5], typename Ops::V* w) {
  using V = typename Ops::V;
  V x = w[T & 15];
  if constexpr (T >= 16) {
    x = Ops::template Rol<1>(Ops::Xor4(w[(T - 3) & 15], w[(T - 8) & 15], w[(T - 14) & 15], x));
    w[T & 15] = x;
  }
  constexpr uint32_t k = T < 20   ? 0x5A827999
                         : T < 40 ? 0x6ED9EBA1
                         : T < 60 ? 0x8F1BBCDC
                                  : 0xCA62C1D6;
  const V f = T < 20   ? Ops::Ch(s[1], s[2], s[3])
              : T < 40 ? Ops::Parity(s[1], s[2], s[3])
              : T < 60 ? Ops::Maj(s[1], s[2], s[3])
                       : Ops::Parity(s[1], s[2], s[3]);
  const V sum = Ops::Add(Ops::Add(s[4], Ops::Add(x, Ops::Set1(k))),
                         Ops::Add(f, Ops::template Rol<5>(s[0])));
  s[4] = s[3];
  s[3] = s[2];
  s[2] = Ops::template Rol<30>(s[1]);
  s[1] = s[0];
  s[0] = sum;
}

template <class Ops, int... T>
inline void Sha1Rounds(typename Ops::V (&s)[5], typename Ops::V* w,
                       std::integer_sequence<int, T...>) {
  (Sha1Round<Ops, T>(s, w), ...);
}

// Hashes `blocks` 64-byte blocks of each of Ops::kLanes messages: message i read from lanes[i]
// on, state[i] (H0 to H4) its chaining state, updated.
template <class Ops>
void Sha1HashLanes(uint32_t (*state)[5], const uint8_t* const* lanes, size_t blocks) {
  using V = typename Ops::V;
  constexpr int L = Ops::kLanes;
  const uint8_t* data[L];
  for (int i = 0; i < L; ++i) data[i] = lanes[i];
  V h[5];
  for (int j = 0; j < 5; ++j) {
    uint32_t words[L];
    for (int i = 0; i < L; ++i) words[i] = state[i][j];
    h[j] = Ops::Load(words);
  }
  // Aligned by hand: mingw-w64 does not align the stack for vectors wider than 16 bytes.
  unsigned char raw[16 * sizeof(V) + 64];
  V* w = reinterpret_cast<V*>(raw + (-reinterpret_cast<uintptr_t>(raw) & 63));
  for (size_t n = 0; n < blocks; ++n) {
    for (int part = 0; part < Ops::kTransposeParts; ++part)
      Ops::TransposePart(data, 64 * n, w, 1, part);
    for (int j = 0; j < 16; ++j) w[j] = Ops::Bswap(w[j]);
    V s[5] = {h[0], h[1], h[2], h[3], h[4]};
    Sha1Rounds<Ops>(s, w, std::make_integer_sequence<int, 80>());
    for (int j = 0; j < 5; ++j) h[j] = Ops::Add(h[j], s[j]);
  }
  for (int j = 0; j < 5; ++j) {
    uint32_t words[L];
    Ops::Store(words, h[j]);
    for (int i = 0; i < L; ++i) state[i][j] = words[i];
  }
}

}  // namespace

#endif  // PARTSWEEP_HASH_SHA1_LANES_ROUNDS_H_
