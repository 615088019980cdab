#pragma once

#include <string_view>
#include <vector>

#include "canvas.h"

namespace brantel::resgen {

struct NamedPicture {
  std::string_view fileName;
  Canvas canvas;
};

// The five 16 x 16 status pictures of the window's rows.
std::vector<NamedPicture> DrawStatusPictures();

}  // namespace brantel::resgen
