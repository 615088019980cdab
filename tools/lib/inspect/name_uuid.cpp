#include "name_uuid.h"

#include "sha256.h"

#include <openssl/evp.h>

#include <memory>
#include <stdexcept>

namespace brantel::inspect {

std::string NameBasedUuid(const std::array<std::uint8_t, 16>& space, std::string_view name) {
  const std::unique_ptr<EVP_MD_CTX, decltype(&EVP_MD_CTX_free)> context(EVP_MD_CTX_new(),
                                                                        EVP_MD_CTX_free);
  std::array<unsigned char, EVP_MAX_MD_SIZE> digest{};
  unsigned int length = 0;
  if (!context || EVP_DigestInit_ex(context.get(), EVP_sha1(), nullptr) != 1 ||
      EVP_DigestUpdate(context.get(), space.data(), space.size()) != 1 ||
      EVP_DigestUpdate(context.get(), name.data(), name.size()) != 1 ||
      EVP_DigestFinal_ex(context.get(), digest.data(), &length) != 1 || length < 16) {
    throw std::runtime_error("SHA-1 could not be computed");
  }
  digest[6] = static_cast<unsigned char>((digest[6] & 0x0F) | 0x50);  // version 5
  digest[8] = static_cast<unsigned char>((digest[8] & 0x3F) | 0x80);  // the RFC 4122 variant
  const std::string hex = LowerHex({digest.data(), 16});
  return hex.substr(0, 8) + "-" + hex.substr(8, 4) + "-" + hex.substr(12, 4) + "-" +
         hex.substr(16, 4) + "-" + hex.substr(20);
}

}  // namespace brantel::inspect
