// The status pictures as the window shows them: 16 x 16 BMP files on a white background, four
// round badges of one outline in their own colours, and a green arrow.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <optional>
#include <string>
#include <vector>

#include "bmp.h"
#include "pictures.h"
#include "committed_file.h"

namespace brantel::testing {
namespace {

constexpr int kSize = 16;

using resgen::Rgb;

int Chroma(Rgb c) {
  return std::max({c.red, c.green, c.blue}) - std::min({c.red, c.green, c.blue});
}

bool IsWhite(Rgb c) {
  return c.red == 255 && c.green == 255 && c.blue == 255;
}

class Bitmap {
 public:
  explicit Bitmap(Bytes bytes) : bytes_(std::move(bytes)), decoded_(resgen::DecodeBmp(bytes_)) {}

  Rgb At(int x, int y) const { return decoded_.At(x, y); }

  std::vector<Rgb> All() const {
    std::vector<Rgb> pixels;
    for (int y = 0; y < kSize; ++y) {
      for (int x = 0; x < kSize; ++x) pixels.push_back(At(x, y));
    }
    return pixels;
  }

  const Bytes& bytes() const { return bytes_; }
  const resgen::DecodedBmp& decoded() const { return decoded_; }

 private:
  Bytes bytes_;
  resgen::DecodedBmp decoded_;
};

struct PictureCase {
  const char* file;
  Rgb tone;  // the figure's middle tone
  bool badge;
};

void PrintTo(const PictureCase& c, std::ostream* out) {
  *out << c.file;
}

constexpr std::array kPictures{
    PictureCase{"good.bmp", {89, 158, 22}, true},   PictureCase{"info.bmp", {68, 116, 178}, true},
    PictureCase{"ques.bmp", {68, 116, 178}, true},  PictureCase{"error.bmp", {182, 53, 53}, true},
    PictureCase{"arrow.bmp", {55, 168, 35}, false},
};

std::string PictureName(const ::testing::TestParamInfo<PictureCase>& param) {
  const std::string file = param.param.file;
  return file.substr(0, file.find('.'));
}

Bitmap Load(const char* file) {
  return Bitmap(ReadCommittedFile(std::string("pictures/") + file));
}

class StatusPicture : public ::testing::TestWithParam<PictureCase> {
 protected:
  Bitmap picture_ = Load(GetParam().file);
};

// Eight bits with a palette of the picture's own colours, run-length encoded where that is
// smaller: a fraction of the 24-bit file, drawn by GDI as it stands.
TEST_P(StatusPicture, IsAPalettizedBmpOf16By16At96Dpi) {
  const Bytes& b = picture_.bytes();
  const std::uint32_t colours = picture_.decoded().colours;
  EXPECT_EQ(U32At(b, 2), b.size()) << "file size";
  EXPECT_EQ(U32At(b, 6), 0u) << "reserved";
  EXPECT_EQ(U32At(b, 10), 54 + 4 * colours) << "pixels right after the palette";
  EXPECT_EQ(I32At(b, 18), 16) << "width";
  EXPECT_EQ(I32At(b, 22), 16) << "height, positive for bottom-up rows";
  EXPECT_EQ(U16At(b, 26), 1u) << "planes";
  EXPECT_EQ(U16At(b, 28), 8u) << "bits per pixel";
  EXPECT_EQ(U32At(b, 34), b.size() - U32At(b, 10)) << "pixel bytes";
  EXPECT_EQ(I32At(b, 38), 3780) << "horizontal pixels per metre";
  EXPECT_EQ(I32At(b, 42), 3780) << "vertical pixels per metre";
  EXPECT_LT(b.size(), 822u) << "no larger than the 24-bit file";
}

TEST_P(StatusPicture, CornersArePureWhite) {
  for (const auto& [x, y] :
       std::array<std::pair<int, int>, 4>{{{0, 0}, {15, 0}, {0, 15}, {15, 15}}}) {
    EXPECT_TRUE(IsWhite(picture_.At(x, y))) << "corner " << x << "," << y;
  }
}

// The figure's strongest colours are its fully covered pixels; their average is the tone that the
// eye takes for the figure's colour, whatever the shading and the soft edges do.
TEST_P(StatusPicture, StrongestColoursAverageTheFigureTone) {
  std::vector<Rgb> pixels = picture_.All();
  std::stable_sort(pixels.begin(), pixels.end(),
                   [](Rgb a, Rgb b) { return Chroma(a) > Chroma(b); });
  constexpr int kStrongest = 20;
  int red = 0, green = 0, blue = 0;
  for (int i = 0; i < kStrongest; ++i) {
    red += pixels[i].red;
    green += pixels[i].green;
    blue += pixels[i].blue;
  }
  const Rgb tone = GetParam().tone;
  constexpr int kTolerance = 15;
  EXPECT_NEAR(red / kStrongest, tone.red, kTolerance);
  EXPECT_NEAR(green / kStrongest, tone.green, kTolerance);
  EXPECT_NEAR(blue / kStrongest, tone.blue, kTolerance);
}

INSTANTIATE_TEST_SUITE_P(AllFive, StatusPicture, ::testing::ValuesIn(kPictures), PictureName);

// The ring: pixels that carry at least half of the badge's own colour strength.
std::vector<bool> RingMask(const Bitmap& picture, Rgb tone) {
  std::vector<bool> mask;
  for (const Rgb& pixel : picture.All()) mask.push_back(Chroma(pixel) * 2 >= Chroma(tone));
  return mask;
}

class Badge : public StatusPicture {};

TEST_P(Badge, IsARingAbout15PixelsAcrossInTheUpper15Rows) {
  int left = kSize, right = -1, top = kSize, bottom = -1;
  for (int y = 0; y < kSize; ++y) {
    for (int x = 0; x < kSize; ++x) {
      if (IsWhite(picture_.At(x, y))) continue;
      left = std::min(left, x);
      right = std::max(right, x);
      top = std::min(top, y);
      bottom = std::max(bottom, y);
    }
  }
  EXPECT_GE(right - left + 1, 14);
  EXPECT_GE(bottom - top + 1, 14);
  EXPECT_LE(bottom, 14) << "the last row stays white";

  // Round, not square: the ring passes through the middle of each side, and the white disc
  // inside it is hollow at its centre apart from the symbol.
  const std::vector<bool> ring = RingMask(picture_, GetParam().tone);
  const auto inRing = [&](int x, int y) { return ring[static_cast<std::size_t>(y * kSize + x)]; };
  EXPECT_TRUE(inRing(7, 0) && inRing(7, 14) && inRing(0, 7) && inRing(14, 7));
  EXPECT_FALSE(inRing(1, 1) || inRing(13, 1) || inRing(1, 13) || inRing(13, 13));
  EXPECT_FALSE(inRing(7, 7) || inRing(4, 7) || inRing(10, 7));
}

// The symbol in the disc is a dark, neutral ink, not a shade of the ring.
TEST_P(Badge, CarriesADarkGreySymbolInItsDisc) {
  int darkPixels = 0;
  for (int y = 4; y < 12; ++y) {
    for (int x = 4; x < 12; ++x) {
      const Rgb pixel = picture_.At(x, y);
      if (std::max({pixel.red, pixel.green, pixel.blue}) > 100) continue;
      ++darkPixels;
      EXPECT_LE(Chroma(pixel), 24) << "at " << x << "," << y;
    }
  }
  EXPECT_GE(darkPixels, 5);
}

INSTANTIATE_TEST_SUITE_P(FourBadges, Badge,
                         ::testing::ValuesIn(kPictures.begin(), kPictures.end() - 1), PictureName);

TEST(StatusPictures, BadgesShareOneOutline) {
  const std::vector<bool> reference = RingMask(Load(kPictures[0].file), kPictures[0].tone);
  for (std::size_t i = 1; i < 4; ++i) {
    const std::vector<bool> ring = RingMask(Load(kPictures[i].file), kPictures[i].tone);
    int differing = 0;
    for (std::size_t p = 0; p < ring.size(); ++p) differing += ring[p] != reference[p];
    EXPECT_LE(differing, 2) << kPictures[i].file << " against " << kPictures[0].file;
  }
}

TEST(StatusPictures, InfoAndQuesDifferOnlyInsideTheDisc) {
  const Bitmap info = Load("info.bmp");
  const Bitmap ques = Load("ques.bmp");
  int differingInDisc = 0;
  for (int y = 0; y < kSize; ++y) {
    for (int x = 0; x < kSize; ++x) {
      const Rgb a = info.At(x, y);
      const Rgb b = ques.At(x, y);
      if (a == b) continue;
      const double distance = std::hypot(x + 0.5 - 7.5, y + 0.5 - 7.5);
      EXPECT_LT(distance, 5.5) << "the rings differ at " << x << "," << y;
      ++differingInDisc;
    }
  }
  EXPECT_GT(differingInDisc, 0) << "the letter and the question mark look the same";
}

struct Span {
  int first = -1, last = -1;
  int length() const { return first < 0 ? 0 : last - first + 1; }
};

// The green rows of one column of the arrow.
Span GreenSpan(const Bitmap& picture, int x) {
  Span span;
  for (int y = 0; y < kSize; ++y) {
    if (Chroma(picture.At(x, y)) < 60) continue;
    if (span.first < 0) span.first = y;
    span.last = y;
  }
  return span;
}

TEST(StatusPictures, ArrowPointsRight) {
  const Bitmap arrow = Load("arrow.bmp");
  const Span shaft = GreenSpan(arrow, 3);
  const Span head = GreenSpan(arrow, 8);
  const Span tip = GreenSpan(arrow, 13);
  EXPECT_GE(shaft.length(), 3);
  EXPECT_GT(head.length(), shaft.length() + 4) << "the head is wider than the shaft";
  EXPECT_GE(tip.length(), 1);
  EXPECT_LT(tip.length(), shaft.length()) << "the head narrows to a point on the right";
  EXPECT_LE(std::abs((tip.first + tip.last) - (shaft.first + shaft.last)), 1)
      << "the point is level with the shaft";
}

TEST(StatusPictures, ArrowIsLightGreenAtTopAndDarkGreenAtBottom) {
  const Bitmap arrow = Load("arrow.bmp");
  const Span head = GreenSpan(arrow, 8);
  ASSERT_GE(head.length(), 8);
  // One row inside each end, clear of the soft edge.
  const Rgb top = arrow.At(8, head.first + 1);
  const Rgb bottom = arrow.At(8, head.last - 1);
  const auto brightness = [](Rgb c) { return c.red + c.green + c.blue; };
  EXPECT_GT(brightness(top), brightness(bottom) + 90);
  for (const Rgb c : {top, bottom}) {
    EXPECT_GT(c.green, c.red);
    EXPECT_GT(c.green, c.blue);
  }
}

// Every picture at every size reads back from its file with each pixel exactly as drawn.
TEST(StatusPictures, FilesKeepEveryPixelOfTheDrawing) {
  for (const resgen::NamedPicture& picture : resgen::DrawStatusPictures()) {
    const resgen::DecodedBmp file = resgen::DecodeBmp(resgen::EncodeBmp(picture.canvas));
    const int size = picture.canvas.size();
    ASSERT_EQ(file.width, size) << picture.fileName;
    ASSERT_EQ(file.height, size) << picture.fileName;
    int differing = 0;
    for (int y = 0; y < size; ++y) {
      for (int x = 0; x < size; ++x) {
        const Rgb drawn{picture.canvas.Channel(x, y, 0), picture.canvas.Channel(x, y, 1),
                        picture.canvas.Channel(x, y, 2)};
        differing += !(file.At(x, y) == drawn);
      }
    }
    EXPECT_EQ(differing, 0) << picture.fileName;
  }
}

}  // namespace
}  // namespace brantel::testing
