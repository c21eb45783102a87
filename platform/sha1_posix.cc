// SHA-1 from OpenSSL's libcrypto, the library every Linux system keeps up to date.
#include "platform/sha1.h"

#include <openssl/evp.h>
#include <openssl/opensslv.h>

#include <string>

#include "platform/system_library.h"

namespace {

template <typename Function>
Function Bind(const SystemLibrary& library, const char* name) {
  return reinterpret_cast<Function>(library.Routine(name));
}

// libcrypto is loaded the first time a SHA-1 is asked for, not when the tool
// starts: loading it takes several milliseconds (about 6 on a VM here, which
// is 7 % of a warm rebuild of a gigabyte) and only the AICH sets need it.
struct Crypto {
  SystemLibrary library{"libcrypto.so." + std::to_string(OPENSSL_VERSION_MAJOR)};
  decltype(&EVP_MD_fetch) fetch = Bind<decltype(&EVP_MD_fetch)>(library, "EVP_MD_fetch");
  decltype(&EVP_MD_CTX_new) newContext = Bind<decltype(&EVP_MD_CTX_new)>(library, "EVP_MD_CTX_new");
  decltype(&EVP_MD_CTX_free) freeContext =
      Bind<decltype(&EVP_MD_CTX_free)>(library, "EVP_MD_CTX_free");
  decltype(&EVP_DigestInit_ex2) init = Bind<decltype(&EVP_DigestInit_ex2)>(library, "EVP_DigestInit_ex2");
  decltype(&EVP_DigestUpdate) update = Bind<decltype(&EVP_DigestUpdate)>(library, "EVP_DigestUpdate");
  decltype(&EVP_DigestFinal_ex) final =
      Bind<decltype(&EVP_DigestFinal_ex)>(library, "EVP_DigestFinal_ex");
  // Looked up once: an implicit lookup on every message would cost more than
  // hashing the 40 bytes of an inner node of a hash tree.
  const EVP_MD* sha1 = fetch && newContext && freeContext && init && update && final
                           ? fetch(nullptr, "SHA1", nullptr)
                           : nullptr;
};

// Null where the library or its SHA-1 is missing: every SHA-1 then fails.
const Crypto* Library() {
  static const Crypto crypto;
  return crypto.sha1 ? &crypto : nullptr;
}

EVP_MD_CTX* Context(void* state) { return static_cast<EVP_MD_CTX*>(state); }

}  // namespace

Sha1::Sha1() : state_(Library() ? Library()->newContext() : nullptr) { failed_ = !Start(); }

Sha1::~Sha1() {
  if (state_) Library()->freeContext(Context(state_));
}

bool Sha1::Start() {
  return state_ && Library()->init(Context(state_), Library()->sha1, nullptr) == 1;
}

void Sha1::Update(const uint8_t* data, size_t size) {
  if (failed_ || size == 0) return;
  failed_ = Library()->update(Context(state_), data, size) != 1;
}

bool Sha1::Final(uint8_t digest[kSha1Bytes]) {
  bool ok = !failed_ && Library()->final(Context(state_), digest, nullptr) == 1;
  failed_ = !Start();
  return ok;
}
