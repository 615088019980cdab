#pragma once

#include <cstdint>
#include <vector>

#include "common/little_endian.h"

namespace brantel::resgen {

using Bytes = std::vector<std::uint8_t>;

}  // namespace brantel::resgen
