#include "fake_system.h"

#include <algorithm>
#include <cctype>

#include "installer/catalogue.h"

namespace brantel::testing {
namespace {

std::string Upper(std::string_view text) {
  std::string upper(text);
  std::transform(upper.begin(), upper.end(), upper.begin(),
                 [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
  return upper;
}

}  // namespace

FakeStore::FakeStore() {
  for (std::size_t i = 0; i < kComponentNames.size(); ++i) {
    entries[std::string(kComponentNames[i])] =
        std::vector<std::uint8_t>(100 + i, static_cast<std::uint8_t>(i));
  }
}

std::span<const std::uint8_t> FakeStore::ReadPayload(std::string_view name,
                                                     std::string_view type) const {
  if (Upper(type) != "CUSTOM") throw Error(error_code::kResourceTypeNotFound, "type");
  const auto found = entries.find(Upper(name));
  if (found == entries.end()) throw Error(error_code::kResourceNameNotFound, "name");
  return found->second;
}

}  // namespace brantel::testing
