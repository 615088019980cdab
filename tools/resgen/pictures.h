#pragma once

#include <array>
#include <string>
#include <vector>

#include "canvas.h"

namespace brantel::resgen {

struct NamedPicture {
  std::string fileName;
  Canvas canvas;
};

// The sizes the window picks from for its display's scale: 100, 125, 150 and 200 %.
inline constexpr std::array kStatusPictureSizes{16, 20, 24, 32};

// The five status pictures of the window's rows, at each of those sizes.
std::vector<NamedPicture> DrawStatusPictures();

}  // namespace brantel::resgen
