#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace brantel {

// Length of every finished status line, in characters.
inline constexpr std::int16_t kStatusLineWidth = 60;

// `text`, then dots, then `message`, padded to kStatusLineWidth characters. Throws Error with
// error_code::kInvalidArgument when the two texts are longer than that together.
std::string ComposeStatusLine(std::string_view text, std::string_view message);

// Length in characters of UTF-8 text.
std::size_t CharacterCount(std::string_view text);

}  // namespace brantel
