#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "common/number_text.h"
#include "window/design.h"

namespace brantel {

// The sizes in pixels that every status picture is carried at: what 100, 125, 150 and 200 %
// display scale call for. The first is the size of the design.
inline constexpr std::array<int, 4> kPictureSizes{16, 20, 24, 32};

// The name of each picture's files under resources/pictures, in Picture's order.
inline constexpr std::array<std::string_view, kPictureCount> kPictureFileNames{
    "good", "info", "ques", "error", "arrow"};

// The file that holds `picture` at `size` pixels: NAME.bmp at the design size, NAME-SIZE.bmp at
// the others. The picture generator writes the files, and the build embeds them, by this name.
inline std::string PictureFileName(Picture picture, int size) {
  std::string name(kPictureFileNames[static_cast<std::size_t>(picture)]);
  if (size != kPictureSizes.front()) {
    name += '-';
    name += NumberText(static_cast<std::uint64_t>(size));
  }
  name += ".bmp";
  return name;
}

// The size a display shows the pictures at: the largest carried size that the 16-pixel design,
// scaled to the display, still covers, so a picture never outgrows its place; below 96 dpi the
// design size.
constexpr int PictureSizeFor(int dotsPerInch) {
  int chosen = kPictureSizes.front();
  for (const int size : kPictureSizes) {
    if (size * 96 <= kPictureSizes.front() * dotsPerInch) chosen = size;
  }
  return chosen;
}

// The status picture at one of kPictureSizes, as a complete BMP file (file header, information
// header, pixels); empty at any other size.
std::span<const std::uint8_t> PictureFile(Picture picture, int size);

}  // namespace brantel
