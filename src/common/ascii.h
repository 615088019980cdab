#pragma once

#include <algorithm>
#include <string>
#include <string_view>

namespace brantel {

// The letter case of ASCII letters alone, as Windows matches resource names and types, image
// names and environment names; other characters stay as they are, whatever the locale says.
template <typename Char>
constexpr Char AsciiUpper(Char c) {
  return c >= Char('a') && c <= Char('z') ? static_cast<Char>(c - Char('a') + Char('A')) : c;
}

template <typename Char>
std::basic_string<Char> AsciiUppercase(std::basic_string_view<Char> text) {
  std::basic_string<Char> upper(text);
  std::ranges::transform(upper, upper.begin(), AsciiUpper<Char>);
  return upper;
}

inline std::string AsciiUppercase(std::string_view text) {
  return AsciiUppercase<char>(text);
}

// Equal but for the letter case of ASCII letters.
template <typename Char>
bool AsciiEqualIgnoringCase(std::basic_string_view<Char> a, std::basic_string_view<Char> b) {
  return std::ranges::equal(a, b, [](Char x, Char y) { return AsciiUpper(x) == AsciiUpper(y); });
}

inline bool AsciiEqualIgnoringCase(std::string_view a, std::string_view b) {
  return AsciiEqualIgnoringCase<char>(a, b);
}

inline bool AsciiEqualIgnoringCase(std::wstring_view a, std::wstring_view b) {
  return AsciiEqualIgnoringCase<wchar_t>(a, b);
}

}  // namespace brantel
