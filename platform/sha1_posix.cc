// SHA-1 from OpenSSL's libcrypto, the library every Linux system keeps up to date.
#include "platform/sha1.h"

#include <openssl/evp.h>

namespace {

// Looked up once: an implicit lookup on every message would cost more than
// hashing the 40 bytes of an inner node of a hash tree.
const EVP_MD* Sha1Method() {
  static const EVP_MD* const method = EVP_MD_fetch(nullptr, "SHA1", nullptr);
  return method;
}

EVP_MD_CTX* Context(void* state) { return static_cast<EVP_MD_CTX*>(state); }

}  // namespace

Sha1::Sha1() : state_(EVP_MD_CTX_new()) { failed_ = !Start(); }

Sha1::~Sha1() { EVP_MD_CTX_free(Context(state_)); }

bool Sha1::Start() {
  return state_ && Sha1Method() && EVP_DigestInit_ex2(Context(state_), Sha1Method(), nullptr) == 1;
}

void Sha1::Update(const uint8_t* data, size_t size) {
  if (failed_ || size == 0) return;
  failed_ = EVP_DigestUpdate(Context(state_), data, size) != 1;
}

bool Sha1::Final(uint8_t digest[kSha1Bytes]) {
  bool ok = !failed_ && EVP_DigestFinal_ex(Context(state_), digest, nullptr) == 1;
  failed_ = !Start();
  return ok;
}
