#pragma once

#include <cstdint>
#include <span>

#include "window/design.h"

namespace brantel {

// The status picture as a complete BMP file (file header, information header, pixels).
std::span<const std::uint8_t> PictureFile(Picture picture);

}  // namespace brantel
