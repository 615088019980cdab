#pragma once

#include <algorithm>
#include <string_view>

namespace brantel {

// Equal but for the letter case of ASCII letters, as Windows matches resource names and types.
inline bool AsciiEqualIgnoringCase(std::string_view a, std::string_view b) {
  const auto fold = [](char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 32) : c; };
  return std::ranges::equal(a, b, [&](char x, char y) { return fold(x) == fold(y); });
}

}  // namespace brantel
