#pragma once

#include "installer/payload.h"

namespace brantel {

// The payload in the program's own resources. Windows matches resource names and types
// without regard to letter case, and the one language variant of each entry is found whatever
// the user's language.
class ModulePayloadStore : public PayloadStore {
 public:
  std::span<const std::uint8_t> ReadPayload(std::string_view name,
                                            std::string_view type) const override;
};

}  // namespace brantel
