#pragma once

#include <span>

#include "installer/payload_digest.h"

namespace brantel {

// The SHA-256 of each payload entry, as the build recorded it when it packed the entry.
std::span<const PayloadDigest> PackedPayloadDigests() noexcept;

}  // namespace brantel
