// SHA-256 on Windows: BCrypt's, which Windows has had since Vista (and Wine has too).

#include <windows.h>
// windows.h first: bcrypt.h needs its types.
#include <bcrypt.h>

#include <cstdio>
#include <stdexcept>

#include "sha256.h"

Sha256Digest Sha256(std::string_view bytes) {
  BCRYPT_ALG_HANDLE algorithm = nullptr;
  BCRYPT_HASH_HANDLE hash = nullptr;
  // BCrypt takes a non-const pointer but only reads the bytes.
  auto* data = reinterpret_cast<PUCHAR>(const_cast<char*>(bytes.data()));
  Sha256Digest digest;
  NTSTATUS status = BCryptOpenAlgorithmProvider(&algorithm, BCRYPT_SHA256_ALGORITHM, nullptr, 0);
  if (status >= 0) status = BCryptCreateHash(algorithm, &hash, nullptr, 0, nullptr, 0, 0);
  if (status >= 0) status = BCryptHashData(hash, data, static_cast<ULONG>(bytes.size()), 0);
  if (status >= 0) status = BCryptFinishHash(hash, digest.data(), static_cast<ULONG>(digest.size()), 0);
  if (hash != nullptr) BCryptDestroyHash(hash);
  if (algorithm != nullptr) BCryptCloseAlgorithmProvider(algorithm, 0);
  if (status < 0) {
    char text[64];
    std::snprintf(text, sizeof text, "SHA-256 through BCrypt failed (status 0x%08lX)",
                  static_cast<unsigned long>(status));
    throw std::runtime_error(text);
  }
  return digest;
}
