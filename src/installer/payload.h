#pragma once

#include <cstdint>
#include <span>
#include <string_view>

namespace brantel {

// The payload's resource type, spelled as the resource table stores it (the lookup ignores letter
// case), and the one language it is packed under (the lookup takes any). The build packs the
// payload under these and brantel-inspect checks them: this is the one place they are written.
inline constexpr std::string_view kPayloadType = "CUSTOM";
inline constexpr std::uint16_t kPayloadLanguage = 1065;  // Persian (Iran)

// The component files that the installer carries, keyed by resource type and name. Both are
// matched without regard to letter case. The store is read-only and outlives every caller, so a
// lookup hands out a view of the entry's bytes rather than a copy.
class PayloadStore {
 public:
  virtual ~PayloadStore() = default;
  // Throws Error when no entry has that type and name.
  virtual std::span<const std::uint8_t> ReadPayload(std::string_view name,
                                                    std::string_view type) const = 0;
};

}  // namespace brantel
