#pragma once

#include <string>
#include <vector>

#include "canvas.h"

namespace brantel::resgen {

struct NamedPicture {
  std::string fileName;
  Canvas canvas;
};

// The five status pictures of the window's rows, at each size the window carries them at
// (kPictureSizes), named as the window's build embeds them (kPictureFileNames).
std::vector<NamedPicture> DrawStatusPictures();

}  // namespace brantel::resgen
