#pragma once

#include <cstdint>
#include <vector>

#include "bytes/little_endian.h"

namespace brantel::resgen {

using Bytes = std::vector<std::uint8_t>;

}  // namespace brantel::resgen
