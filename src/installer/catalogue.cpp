#include "installer/catalogue.h"

namespace brantel {

std::string GetDllName(const ComponentIndex& index) {
  if (index < 0 || index >= kComponentCount) return std::string(kNoComponent);
  return std::string(kComponentNames[static_cast<std::size_t>(index)]);
}

}  // namespace brantel
