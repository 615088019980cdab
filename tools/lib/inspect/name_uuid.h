#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace brantel::inspect {

// The name-based UUID (version 5, SHA-1 by OpenSSL) of `name` in `space`, written in the usual
// 8-4-4-4-12 lower-case hex form.
std::string NameBasedUuid(const std::array<std::uint8_t, 16>& space, std::string_view name);

}  // namespace brantel::inspect
