// SHA-256 on Windows: BCrypt's, which Windows has had since Vista (and Wine has too).

#include <windows.h>
// windows.h first: bcrypt.h needs its types.
#include <bcrypt.h>

#include <stdexcept>
#include <string>

#include "sha256.h"

namespace {

// What BCrypt opens, closed however the hash ends.
struct Algorithm {
  BCRYPT_ALG_HANDLE handle = nullptr;
  ~Algorithm() {
    if (handle != nullptr) BCryptCloseAlgorithmProvider(handle, 0);
  }
};

struct Hash {
  BCRYPT_HASH_HANDLE handle = nullptr;
  ~Hash() {
    if (handle != nullptr) BCryptDestroyHash(handle);
  }
};

void Check(NTSTATUS status, const char* call) {
  if (status < 0) throw std::runtime_error(std::string(call) + " failed (status " + std::to_string(status) + ")");
}

}  // namespace

Sha256Digest Sha256(std::string_view bytes) {
  Algorithm algorithm;
  Check(BCryptOpenAlgorithmProvider(&algorithm.handle, BCRYPT_SHA256_ALGORITHM, nullptr, 0),
        "BCryptOpenAlgorithmProvider");
  Hash hash;
  Check(BCryptCreateHash(algorithm.handle, &hash.handle, nullptr, 0, nullptr, 0, 0), "BCryptCreateHash");
  // BCrypt takes a non-const pointer but only reads the bytes.
  auto* data = reinterpret_cast<PUCHAR>(const_cast<char*>(bytes.data()));
  Check(BCryptHashData(hash.handle, data, static_cast<ULONG>(bytes.size()), 0), "BCryptHashData");
  Sha256Digest digest;
  Check(BCryptFinishHash(hash.handle, digest.data(), static_cast<ULONG>(digest.size()), 0), "BCryptFinishHash");
  return digest;
}
