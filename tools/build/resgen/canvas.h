#pragma once

#include <cstdint>
#include <functional>
#include <vector>

namespace brantel::resgen {

// A colour with channels from 0 to 255, kept fractional until the image is written.
struct Colour {
  double red, green, blue;
};

Colour Mix(Colour from, Colour to, double amount);

// Where a figure lies, and which colour it has at a point; both in pixel units, with pixel (x, y)
// covering [x, x + 1) by [y, y + 1) and y growing downwards.
using Shape = std::function<bool(double x, double y)>;
using Paint = std::function<Colour(double x, double y)>;

// A small square image painted figure by figure. Each figure's coverage of a pixel is measured on
// a grid of sample points, which gives the soft edges that a 16-pixel image needs to look round.
// Figures are given in the units of a `designSize` square, so one drawing serves every size; at
// the design size a unit is a pixel.
class Canvas {
 public:
  Canvas(int size, Colour background, int designSize);

  void Fill(const Shape& shape, const Paint& paint);
  void Fill(const Shape& shape, Colour colour);

  int size() const { return size_; }
  // The pixel's channels rounded to bytes, red first.
  std::uint8_t Channel(int x, int y, int channel) const;

 private:
  static constexpr int kSamplesPerSide = 8;

  int size_;
  double unitsPerPixel_;
  std::vector<Colour> pixels_;
};

}  // namespace brantel::resgen
