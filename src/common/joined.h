#pragma once

#include <string>

namespace brantel {

// The texts of `items`, in order, with `separator` between each two.
template <typename Char, typename Items>
std::basic_string<Char> Joined(const Items& items, const Char* separator) {
  std::basic_string<Char> text;
  for (const auto& item : items) {
    if (!text.empty()) text += separator;
    text += item;
  }
  return text;
}

}  // namespace brantel
