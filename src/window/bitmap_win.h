#pragma once

#include <windows.h>

#include <cstdint>
#include <span>

#include "common/unique_handle_win.h"

namespace brantel {

// A device bitmap made from a complete BMP file held in memory.
UniqueBitmap BitmapFromFile(std::span<const std::uint8_t> file);

}  // namespace brantel
