#pragma once

#include <cstdint>
#include <string>

namespace brantel {

// `value` in digits of `base` (2 to 16), upper-case beyond 9, in narrow or wide characters. The
// program's one number formatter: the C++ library's wide one would bring in its whole printf.
template <typename Char = char>
std::basic_string<Char> NumberText(std::uint64_t value, unsigned base = 10) {
  std::basic_string<Char> digits;
  do {
    digits.insert(digits.begin(), static_cast<Char>("0123456789ABCDEF"[value % base]));
    value /= base;
  } while (value != 0);
  return digits;
}

}  // namespace brantel
