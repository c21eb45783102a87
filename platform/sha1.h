// SHA-1 (FIPS 180-4) from the system's cryptography: OpenSSL's libcrypto on
// Linux, CNG on Windows. eMule's AICH hash trees are built of it, and a
// well-kept library runs it with the processor's SHA instructions.
#pragma once

#include <cstddef>
#include <cstdint>

/// Bytes of a SHA-1 digest.
constexpr size_t kSha1Bytes = 20;

/// One SHA-1 message at a time, fed in pieces of any size: blocks of a data
/// file are hashed as they are read, without a copy.
class Sha1 {
 public:
  /// Ready for the first message.
  Sha1();
  ~Sha1();
  Sha1(const Sha1&) = delete;
  Sha1& operator=(const Sha1&) = delete;

  /// Feeds the next `size` bytes of the message; any split gives the same digest.
  void Update(const uint8_t* data, size_t size);
  /// Leaves the message's digest in `digest` and starts the next message.
  /// False where the system's library failed at any step since the last
  /// Final (out of memory, no SHA-1): the digest is then not to be used.
  bool Final(uint8_t digest[kSha1Bytes]);

 private:
  /// Gets the library's state ready for a new message; false where it cannot.
  bool Start();

  /// The library's state of the message (an EVP_MD_CTX, or a CNG hash handle).
  void* state_ = nullptr;
  /// A step failed since the message began.
  bool failed_ = false;
};
