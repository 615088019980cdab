#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "bytes.h"

namespace brantel::resgen {

struct PaletteEntry {
  std::uint8_t red, green, blue;
};

// One image of the program's icon: palette indexes, or nothing where the image is transparent.
struct IconImage {
  int size;
  int bitCount;  // 1 or 4
  std::vector<PaletteEntry> palette;
  std::vector<std::optional<std::uint8_t>> pixels;  // top row first
};

// The program's icon, a small application window seen at a slant, drawn for one of the
// image formats that the icon carries.
IconImage DrawIcon(int size, int bitCount);

// An icon image as an icon-image resource: information header with doubled height, palette,
// colour bits, then the transparency mask.
Bytes EncodeIconImage(const IconImage& image);

struct IconGroupEntry {
  const IconImage* image;
  std::uint16_t resourceId;  // in a group; ignored in an .ico file
};

// The icon-group resource that names the images by resource number.
Bytes EncodeIconGroup(const std::vector<IconGroupEntry>& entries);

// The same images as one .ico file.
Bytes EncodeIcoFile(const std::vector<IconGroupEntry>& entries);

}  // namespace brantel::resgen
