// MD4 (RFC 1320) for ed2k-style part hashing, where it is the hot loop of a
// rebuild, so it is tuned for throughput over large buffers.
#ifndef PARTSWEEP_HASH_MD4_H_
#define PARTSWEEP_HASH_MD4_H_

#include <cstddef>
#include <cstdint>

// Same layout as the MD4_CTX that Windows' advapi32 MD4Init/MD4Update/MD4Final take (104 bytes),
// so that one context type serves both our own routines and the system's.
struct Md4Context {
  uint32_t state[4];     // A, B, C, D
  uint32_t count[2];     // message length in bits, low word first
  uint8_t pending[64];   // input not yet hashed
  uint8_t digest[16];    // filled by Md4Final
};
static_assert(sizeof(Md4Context) == 104,
              "Md4Context must match advapi32's MD4_CTX so both bind to one function-pointer type");

// Starts a new message: loads the initial chaining values and zeroes the length.
// Pointer argument so that advapi32's MD4Init fits the same function-pointer type.
void Md4Init(Md4Context* context);

// Feeds `size` bytes; whole blocks are hashed straight from `data`, only a tail is copied.
// Callable any number of times with any split, giving the same digest as one call.
void Md4Update(Md4Context* context, const uint8_t* data, uint32_t size);

// Pads, hashes the length and leaves the 16-byte digest in context->digest.
// The context must be re-initialised with Md4Init before hashing another message.
void Md4Final(Md4Context* context);

// Sets `context` to a message whose first `length` bytes, a multiple of 64, were hashed elsewhere
// (in SIMD lanes) into `state`, so that Md4Update and Md4Final finish it from there.
void Md4Resume(Md4Context* context, const uint32_t state[4], uint64_t length);

#endif  // PARTSWEEP_HASH_MD4_H_
