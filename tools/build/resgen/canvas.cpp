#include "canvas.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

namespace brantel::resgen {

Colour Mix(Colour from, Colour to, double amount) {
  return {from.red + (to.red - from.red) * amount, from.green + (to.green - from.green) * amount,
          from.blue + (to.blue - from.blue) * amount};
}

Canvas::Canvas(int size, Colour background, int designSize)
    : size_(size),
      unitsPerPixel_(static_cast<double>(designSize) / size),
      pixels_(static_cast<std::size_t>(size) * static_cast<std::size_t>(size), background) {}

void Canvas::Fill(const Shape& shape, const Paint& paint) {
  constexpr double kStep = 1.0 / kSamplesPerSide;
  for (int y = 0; y < size_; ++y) {
    for (int x = 0; x < size_; ++x) {
      int covered = 0;
      Colour sum{0, 0, 0};
      for (int sy = 0; sy < kSamplesPerSide; ++sy) {
        for (int sx = 0; sx < kSamplesPerSide; ++sx) {
          const double px = (x + (sx + 0.5) * kStep) * unitsPerPixel_;
          const double py = (y + (sy + 0.5) * kStep) * unitsPerPixel_;
          if (!shape(px, py)) continue;
          const Colour c = paint(px, py);
          sum = {sum.red + c.red, sum.green + c.green, sum.blue + c.blue};
          ++covered;
        }
      }
      if (covered == 0) continue;
      const Colour average{sum.red / covered, sum.green / covered, sum.blue / covered};
      Colour& pixel = pixels_[static_cast<std::size_t>(y * size_ + x)];
      pixel =
          Mix(pixel, average, static_cast<double>(covered) / (kSamplesPerSide * kSamplesPerSide));
    }
  }
}

void Canvas::Fill(const Shape& shape, Colour colour) {
  Fill(shape, [colour](double, double) { return colour; });
}

std::uint8_t Canvas::Channel(int x, int y, int channel) const {
  const Colour& pixel = pixels_[static_cast<std::size_t>(y * size_ + x)];
  const double value = channel == 0 ? pixel.red : channel == 1 ? pixel.green : pixel.blue;
  return static_cast<std::uint8_t>(std::lround(std::clamp(value, 0.0, 255.0)));
}

}  // namespace brantel::resgen
