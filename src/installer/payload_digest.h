#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string_view>

#include "installer/payload.h"

namespace brantel {

using Sha256Digest = std::array<std::uint8_t, 32>;

// The SHA-256 that the build recorded for one payload entry, named as the catalogue spells it.
struct PayloadDigest {
  std::string_view name;
  Sha256Digest sha256;
};

// A digest written as 64 hexadecimal digits, as the build writes it; anything else does not
// compile where the table is a constant.
consteval Sha256Digest DigestFromHex(std::string_view hex) {
  if (hex.size() != 64) throw "a SHA-256 digest is 64 hexadecimal digits";
  const auto nibble = [](char c) -> std::uint8_t {
    if (c >= '0' && c <= '9') return static_cast<std::uint8_t>(c - '0');
    if (c >= 'a' && c <= 'f') return static_cast<std::uint8_t>(c - 'a' + 10);
    if (c >= 'A' && c <= 'F') return static_cast<std::uint8_t>(c - 'A' + 10);
    throw "not a hexadecimal digit";
  };
  Sha256Digest digest{};
  for (std::size_t i = 0; i < digest.size(); ++i) {
    digest[i] = static_cast<std::uint8_t>(nibble(hex[2 * i]) << 4 | nibble(hex[2 * i + 1]));
  }
  return digest;
}

// The system's SHA-256.
class Sha256Hasher {
 public:
  virtual ~Sha256Hasher() = default;
  virtual Sha256Digest Hash(std::span<const std::uint8_t> bytes) const = 0;
};

// The payload as the build packed it: an entry is handed out only when its bytes have the digest
// that the build recorded for it, so a damaged copy of the program writes nothing damaged. An
// entry without a recorded digest is refused as well.
class VerifiedPayloadStore : public PayloadStore {
 public:
  VerifiedPayloadStore(const PayloadStore& store, std::span<const PayloadDigest> digests,
                       const Sha256Hasher& hasher) noexcept
      : store_(store), digests_(digests), hasher_(hasher) {}

  std::span<const std::uint8_t> ReadPayload(std::string_view name,
                                            std::string_view type) const override;

 private:
  const PayloadStore& store_;
  std::span<const PayloadDigest> digests_;
  const Sha256Hasher& hasher_;
};

}  // namespace brantel
