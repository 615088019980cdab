#include "pictures.h"

#include <array>
#include <cstddef>
#include <string>

#include "shapes.h"
#include "window/pictures.h"

namespace brantel::resgen {

namespace {

// The pictures are drawn in the units of their 16-pixel design, whatever size they are made at.
constexpr int kDesignSize = kPictureSizes.front();
constexpr Colour kWhite{255, 255, 255};
constexpr Colour kBlack{0, 0, 0};

constexpr Colour kGreenRing{89, 158, 22};
constexpr Colour kBlueRing{68, 116, 178};
constexpr Colour kRedRing{182, 53, 53};
constexpr Colour kArrowGreen{55, 168, 35};

// The badges fill the upper 15 rows and columns, which keeps the last row and column white and
// leaves the four corners untouched.
constexpr Point kCentre{7.5, 7.5};
constexpr double kOuterRadius = 7.45;
constexpr double kInnerRadius = 5.55;

// Light at `top`, the given tone half way down, dark at `bottom`: the usual lighting from above,
// with the middle tone kept exact.
Paint VerticalShade(Colour middle, double top, double bottom, double strength) {
  const Colour light = Mix(middle, kWhite, strength);
  const Colour dark = Mix(middle, kBlack, strength);
  return [=](double, double y) {
    const double t = (y - top) / (bottom - top);
    if (t < 0.5) return Mix(light, middle, t < 0 ? 0 : t * 2);
    return Mix(middle, dark, t > 1 ? 1 : (t - 0.5) * 2);
  };
}

Canvas Badge(int size, Colour ring) {
  Canvas canvas(size, kWhite, kDesignSize);
  canvas.Fill(Ring(kCentre, kOuterRadius, kInnerRadius),
              VerticalShade(ring, kCentre.y - kOuterRadius, kCentre.y + kOuterRadius, 0.28));
  return canvas;
}

Canvas Good(int size) {
  Canvas canvas = Badge(size, kGreenRing);
  canvas.Fill(Stroke({{4.6, 7.7}, {6.7, 9.8}, {10.5, 5.3}}, 0.85), Colour{64, 64, 64});
  return canvas;
}

Canvas Info(int size) {
  Canvas canvas = Badge(size, kBlueRing);
  constexpr Colour kInk{24, 24, 24};
  canvas.Fill(Disc({7.5, 4.4}, 0.95), kInk);
  canvas.Fill(Stroke({{7.5, 6.6}, {7.5, 10.6}}, 0.85), kInk);
  return canvas;
}

Canvas Ques(int size) {
  Canvas canvas = Badge(size, kBlueRing);
  constexpr Colour kInk{36, 36, 36};
  std::vector<Point> hook = Arc({7.5, 5.4}, 1.75, 190, 400);
  hook.push_back({7.5, 8.3});
  canvas.Fill(Stroke(hook, 0.78), kInk);
  canvas.Fill(Disc({7.5, 10.35}, 0.9), kInk);
  return canvas;
}

Canvas Error(int size) {
  Canvas canvas = Badge(size, kRedRing);
  constexpr Colour kInk{64, 64, 64};
  canvas.Fill(Stroke({{5.1, 5.1}, {9.9, 9.9}}, 0.8), kInk);
  canvas.Fill(Stroke({{9.9, 5.1}, {5.1, 9.9}}, 0.8), kInk);
  return canvas;
}

Canvas Arrow(int size) {
  Canvas canvas(size, kWhite, kDesignSize);
  constexpr double kTop = 1.5;
  constexpr double kBottom = 13.5;
  canvas.Fill(Polygon({{1.0, 5.25},
                       {7.75, 5.25},
                       {7.75, kTop},
                       {14.5, 7.5},
                       {7.75, kBottom},
                       {7.75, 9.75},
                       {1.0, 9.75}}),
              VerticalShade(kArrowGreen, kTop, kBottom, 0.35));
  return canvas;
}

}  // namespace

std::vector<NamedPicture> DrawStatusPictures() {
  using Draw = Canvas (*)(int);
  // In Picture's order, as kPictureFileNames names them.
  constexpr std::array<Draw, kPictureCount> kFigures{Good, Info, Ques, Error, Arrow};
  std::vector<NamedPicture> pictures;
  for (const int size : kPictureSizes) {
    for (std::size_t i = 0; i < kFigures.size(); ++i) {
      pictures.push_back({PictureFileName(static_cast<Picture>(i), size), kFigures[i](size)});
    }
  }
  return pictures;
}

}  // namespace brantel::resgen
