// SHA-1 from Windows' CNG (bcrypt.dll), there on every Windows since Vista.
#include "platform/sha1.h"

#include <windows.h>
#include <bcrypt.h>

namespace {

// Opened once and kept: opening the provider costs far more than a hash, and
// CNG lets every thread create its hashes from the one handle.
BCRYPT_ALG_HANDLE Provider() {
  static const BCRYPT_ALG_HANDLE provider = [] {
    BCRYPT_ALG_HANDLE handle = nullptr;
    if (!BCRYPT_SUCCESS(BCryptOpenAlgorithmProvider(&handle, BCRYPT_SHA1_ALGORITHM, nullptr, 0)))
      handle = nullptr;
    return handle;
  }();
  return provider;
}

}  // namespace

Sha1::Sha1() { failed_ = !Start(); }

Sha1::~Sha1() {
  if (state_) BCryptDestroyHash(static_cast<BCRYPT_HASH_HANDLE>(state_));
}

// A hash object of CNG serves one message unless made reusable, which
// Windows 7 cannot; so every message gets a new one.
bool Sha1::Start() {
  if (state_) BCryptDestroyHash(static_cast<BCRYPT_HASH_HANDLE>(state_));
  state_ = nullptr;
  BCRYPT_HASH_HANDLE hash = nullptr;
  if (!Provider() || !BCRYPT_SUCCESS(BCryptCreateHash(Provider(), &hash, nullptr, 0, nullptr, 0, 0)))
    return false;
  state_ = hash;
  return true;
}

void Sha1::Update(const uint8_t* data, size_t size) {
  // CNG takes at most 4 GiB - 1 a call.
  constexpr size_t kMostACall = 0x40000000;
  while (!failed_ && size > 0) {
    const size_t piece = size < kMostACall ? size : kMostACall;
    failed_ = !BCRYPT_SUCCESS(BCryptHashData(static_cast<BCRYPT_HASH_HANDLE>(state_),
                                             const_cast<PUCHAR>(data), ULONG(piece), 0));
    data += piece;
    size -= piece;
  }
}

bool Sha1::Final(uint8_t digest[kSha1Bytes]) {
  const bool ok = !failed_ && BCRYPT_SUCCESS(BCryptFinishHash(
                                  static_cast<BCRYPT_HASH_HANDLE>(state_), digest, kSha1Bytes, 0));
  failed_ = !Start();
  return ok;
}
