#pragma once

#include <cstdint>
#include <stdexcept>
#include <vector>

#include "bytes.h"
#include "canvas.h"

namespace brantel::resgen {

// The canvas as a complete BMP file at 96 dpi: 8 bits per pixel with a palette of exactly the
// canvas's colours, run-length encoded (BI_RLE8) when that is the smaller. GDI draws both kinds
// directly, and each pixel keeps its exact colour.
Bytes EncodeBmp(const Canvas& canvas);

struct Rgb {
  std::uint8_t red, green, blue;
  friend bool operator==(Rgb, Rgb) = default;
};

struct DecodedBmp {
  int width = 0;
  int height = 0;
  std::uint32_t compression = 0;  // BI_RGB (0) or BI_RLE8 (1)
  std::uint32_t colours = 0;      // entries in the palette
  std::vector<Rgb> pixels;        // top row first

  Rgb At(int x, int y) const { return pixels[static_cast<std::size_t>(y * width + x)]; }
};

class BmpError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// A BMP file of the kind EncodeBmp writes (8-bit palette, uncompressed or BI_RLE8, bottom-up)
// back to its pixels; BmpError on any other file or on bytes that do not hold together.
DecodedBmp DecodeBmp(const Bytes& file);

}  // namespace brantel::resgen
