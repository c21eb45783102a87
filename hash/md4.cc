// MD4 as in RFC 1320. A /rebuild spends nearly all of its time in here, so the
// 48 steps are unrolled and written so that each one costs as little latency as
// possible: every step depends on the one before it, so the length of that chain,
// not the instruction count, sets the speed (about 160 cycles per 64-byte block).
#include "hash/md4.h"

#include <cstring>

namespace {

// Word loads and stores. On targets known to be little-endian (GCC/Clang say so;
// every MSVC target is) a memcpy compiles to one unaligned move, so blocks are
// read straight from the caller's buffer at any alignment. Everywhere else we
// assemble bytes, which is correct whatever the byte order, big-endian included.
#if defined(_MSC_VER) || (defined(__BYTE_ORDER__) && defined(__ORDER_LITTLE_ENDIAN__) && \
                          __BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__)
inline uint32_t Load32(const uint8_t* p) {
  uint32_t v;
  std::memcpy(&v, p, 4);
  return v;
}
inline void Store32(uint8_t* p, uint32_t v) { std::memcpy(p, &v, 4); }
#else
inline uint32_t Load32(const uint8_t* p) {
  return uint32_t{p[0]} | uint32_t{p[1]} << 8 | uint32_t{p[2]} << 16 | uint32_t{p[3]} << 24;
}
inline void Store32(uint8_t* p, uint32_t v) {
  p[0] = static_cast<uint8_t>(v);
  p[1] = static_cast<uint8_t>(v >> 8);
  p[2] = static_cast<uint8_t>(v >> 16);
  p[3] = static_cast<uint8_t>(v >> 24);
}
#endif

template <int S>
inline uint32_t Rotl(uint32_t x) {
  return (x << S) | (x >> (32 - S));
}

// Clang reassociates a + x + K + f(b, c, d) so that the round constant is added
// last, after the term that waits on b, lengthening the chain by one add per step
// (about 17% slower). An empty asm makes the off-chain partial sum opaque so it is
// finished before b arrives. GCC already orders the sum well and is slowed by this.
#if defined(__clang__)
inline uint32_t Early(uint32_t v) {
  __asm__("" : "+r"(v));
  return v;
}
#else
inline uint32_t Early(uint32_t v) { return v; }
#endif

// In every step b is the value produced by the step just before, so the round
// functions are shaped to touch b as late and as few times as possible.

// Round 1: select c or d by b. d ^ (b & (c ^ d)) needs two operations after b
// (c ^ d is ready early), as does (b & c) | (~b & d) with ANDN; both measured the
// same, and this one does not rely on the compiler finding ANDN.
template <int S>
inline void Step1(uint32_t& a, uint32_t b, uint32_t c, uint32_t d, uint32_t x) {
  a = Rotl<S>(Early(a + x) + (d ^ (b & (c ^ d))));
}

// Round 2: majority of b, c, d. Written as (c & d) + (b & (c ^ d)): the two terms
// never share a set bit, so + equals |, and (c & d) joins the early sum, leaving
// one AND and one ADD after b. The three-AND textbook form was 8-30% slower, and
// (b & c) + (d & (b ^ c)), which uses b twice, about 15% slower under Clang.
template <int S>
inline void Step2(uint32_t& a, uint32_t b, uint32_t c, uint32_t d, uint32_t x) {
  a = Rotl<S>(Early(a + x + 0x5A827999u + (c & d)) + (b & (c ^ d)));
}

// Round 3: parity. c ^ d is ready early, leaving one XOR and one ADD after b.
// Sharing an XOR between adjacent steps saves an instruction but measured slower.
template <int S>
inline void Step3(uint32_t& a, uint32_t b, uint32_t c, uint32_t d, uint32_t x) {
  a = Rotl<S>(Early(a + x + 0x6ED9EBA1u) + (b ^ (c ^ d)));
}

// Hashes `blocks` consecutive 64-byte blocks. State lives in locals for the
// whole run so it stays in registers across blocks.
void ProcessBlocks(uint32_t state[4], const uint8_t* p, size_t blocks) {
  uint32_t a = state[0], b = state[1], c = state[2], d = state[3];
  do {
    uint32_t x[16];
    for (int i = 0; i < 16; ++i) x[i] = Load32(p + 4 * i);
    const uint32_t a0 = a, b0 = b, c0 = c, d0 = d;

    Step1<3>(a, b, c, d, x[0]);   Step1<7>(d, a, b, c, x[1]);
    Step1<11>(c, d, a, b, x[2]);  Step1<19>(b, c, d, a, x[3]);
    Step1<3>(a, b, c, d, x[4]);   Step1<7>(d, a, b, c, x[5]);
    Step1<11>(c, d, a, b, x[6]);  Step1<19>(b, c, d, a, x[7]);
    Step1<3>(a, b, c, d, x[8]);   Step1<7>(d, a, b, c, x[9]);
    Step1<11>(c, d, a, b, x[10]); Step1<19>(b, c, d, a, x[11]);
    Step1<3>(a, b, c, d, x[12]);  Step1<7>(d, a, b, c, x[13]);
    Step1<11>(c, d, a, b, x[14]); Step1<19>(b, c, d, a, x[15]);

    Step2<3>(a, b, c, d, x[0]);   Step2<5>(d, a, b, c, x[4]);
    Step2<9>(c, d, a, b, x[8]);   Step2<13>(b, c, d, a, x[12]);
    Step2<3>(a, b, c, d, x[1]);   Step2<5>(d, a, b, c, x[5]);
    Step2<9>(c, d, a, b, x[9]);   Step2<13>(b, c, d, a, x[13]);
    Step2<3>(a, b, c, d, x[2]);   Step2<5>(d, a, b, c, x[6]);
    Step2<9>(c, d, a, b, x[10]);  Step2<13>(b, c, d, a, x[14]);
    Step2<3>(a, b, c, d, x[3]);   Step2<5>(d, a, b, c, x[7]);
    Step2<9>(c, d, a, b, x[11]);  Step2<13>(b, c, d, a, x[15]);

    Step3<3>(a, b, c, d, x[0]);   Step3<9>(d, a, b, c, x[8]);
    Step3<11>(c, d, a, b, x[4]);  Step3<15>(b, c, d, a, x[12]);
    Step3<3>(a, b, c, d, x[2]);   Step3<9>(d, a, b, c, x[10]);
    Step3<11>(c, d, a, b, x[6]);  Step3<15>(b, c, d, a, x[14]);
    Step3<3>(a, b, c, d, x[1]);   Step3<9>(d, a, b, c, x[9]);
    Step3<11>(c, d, a, b, x[5]);  Step3<15>(b, c, d, a, x[13]);
    Step3<3>(a, b, c, d, x[3]);   Step3<9>(d, a, b, c, x[11]);
    Step3<11>(c, d, a, b, x[7]);  Step3<15>(b, c, d, a, x[15]);

    a += a0;
    b += b0;
    c += c0;
    d += d0;
    p += 64;
  } while (--blocks != 0);
  state[0] = a;
  state[1] = b;
  state[2] = c;
  state[3] = d;
}

// Number of bytes waiting in context->pending; the bit count carries it for free.
inline uint32_t PendingBytes(const Md4Context* context) { return (context->count[0] >> 3) & 63; }

}  // namespace

void Md4Init(Md4Context* context) {
  context->state[0] = 0x67452301u;
  context->state[1] = 0xEFCDAB89u;
  context->state[2] = 0x98BADCFEu;
  context->state[3] = 0x10325476u;
  context->count[0] = 0;
  context->count[1] = 0;
}

void Md4Resume(Md4Context* context, const uint32_t state[4], uint64_t length) {
  for (int i = 0; i < 4; ++i) context->state[i] = state[i];
  const uint64_t bits = length << 3;
  context->count[0] = static_cast<uint32_t>(bits);
  context->count[1] = static_cast<uint32_t>(bits >> 32);
}

void Md4Update(Md4Context* context, const uint8_t* data, uint32_t size) {
  // Callers may pass a null pointer with a zero size; memcpy must not see it.
  if (size == 0) return;
  uint32_t used = PendingBytes(context);

  // 64-bit bit count kept as two words: size << 3 drops the top three bits of
  // size, which go to the high word together with the carry from the low word.
  const uint32_t low = context->count[0] + (size << 3);
  context->count[1] += (size >> 29) + (low < context->count[0] ? 1u : 0u);
  context->count[0] = low;

  // Top up a partial block left by an earlier call before touching the bulk.
  if (used != 0) {
    const uint32_t room = 64 - used;
    if (size < room) {
      std::memcpy(context->pending + used, data, size);
      return;
    }
    std::memcpy(context->pending + used, data, room);
    ProcessBlocks(context->state, context->pending, 1);
    data += room;
    size -= room;
  }

  // Whole blocks are hashed in place; copying them first would cost real time
  // at the rates a rebuild runs at.
  if (size >= 64) {
    ProcessBlocks(context->state, data, size / 64);
    data += size & ~63u;
    size &= 63u;
  }
  if (size != 0) std::memcpy(context->pending, data, size);
}

void Md4Final(Md4Context* context) {
  // Padding: a single 1 bit, zeros up to 56 mod 64, then the 64-bit bit length
  // low word first. If the length no longer fits, it spills into one more block.
  uint32_t used = PendingBytes(context);
  context->pending[used++] = 0x80;
  if (used > 56) {
    std::memset(context->pending + used, 0, 64 - used);
    ProcessBlocks(context->state, context->pending, 1);
    used = 0;
  }
  std::memset(context->pending + used, 0, 56 - used);
  Store32(context->pending + 56, context->count[0]);
  Store32(context->pending + 60, context->count[1]);
  ProcessBlocks(context->state, context->pending, 1);

  for (int i = 0; i < 4; ++i) Store32(context->digest + 4 * i, context->state[i]);
}
