#pragma once

#include <cstdint>
#include <string_view>

#include "common/error.h"
#include "installer/payload.h"

namespace brantel {

// The error code of a lookup, or 0 when it found an entry.
inline std::uint32_t CodeOf(const PayloadStore& store, std::string_view name,
                            std::string_view type) {
  try {
    store.ReadPayload(name, type);
  } catch (const Error& error) {
    return error.code();
  }
  return 0;
}

}  // namespace brantel
