#pragma once

#include <cstdint>
#include <span>
#include <string>

namespace brantel::inspect {

// `bytes` as lower-case hex digits, two a byte, the way digests and UUIDs are written.
std::string LowerHex(std::span<const std::uint8_t> bytes);

// The SHA-256 of `bytes`, computed by OpenSSL, as 64 lower-case hex digits.
std::string Sha256Hex(std::span<const std::uint8_t> bytes);

}  // namespace brantel::inspect
