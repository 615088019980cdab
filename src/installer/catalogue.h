#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace brantel {

// Numbers a component in catalogue order, 0 to 13.
using ComponentIndex = std::int16_t;

inline constexpr std::array<std::string_view, 14> kComponentNames = {
#define BRANTEL_COMPONENT(name, registration) name,
#include "installer/catalogue.inc"
#undef BRANTEL_COMPONENT
};

// How a component registers itself when regsvr32 is started for it. The install run starts the
// registration of every component alike; the build checks that a self-registering one can.
enum class Registration { kPlainLibrary, kSelfRegistering };

// In catalogue order, beside kComponentNames.
inline constexpr std::array<Registration, kComponentNames.size()> kComponentRegistrations = {
#define BRANTEL_COMPONENT(name, registration) Registration::registration,
#include "installer/catalogue.inc"
#undef BRANTEL_COMPONENT
};

inline constexpr ComponentIndex kComponentCount =
    static_cast<ComponentIndex>(kComponentNames.size());

// What GetDllName answers for an index outside the catalogue; it names no component.
inline constexpr std::string_view kNoComponent = "<<<<False>>>>";

// The file name of component `index`, as a new string of the caller's.
std::string GetDllName(const ComponentIndex& index);

}  // namespace brantel
