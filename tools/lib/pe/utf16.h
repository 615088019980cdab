#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace brantel::pe {

// UTF-16 as the files hold it, in UTF-8. A surrogate without its partner becomes U+FFFD, so any
// units give valid UTF-8.
std::string Utf8FromUtf16(std::u16string_view units);

// The same from little-endian bytes; an odd last byte is no unit and is left out.
std::string Utf8FromUtf16Le(std::span<const std::uint8_t> bytes);

}  // namespace brantel::pe
