// The program icon's three images and its group, as packed raw into the executable.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "committed_file.h"

namespace brantel::testing {
namespace {

constexpr std::size_t kInfoHeaderSize = 40;

struct ImageCase {
  std::uint16_t id;
  int size;
  int bitCount;
  std::size_t bytes;
};

void PrintTo(const ImageCase& c, std::ostream* out) {
  *out << c.id;
}

constexpr std::array kImages{
    ImageCase{30001, 32, 1, 304},
    ImageCase{30002, 32, 4, 744},
    ImageCase{30003, 16, 4, 296},
};

std::string ImageName(const ::testing::TestParamInfo<ImageCase>& param) {
  return "Image" + std::to_string(param.param.id);
}

Bytes LoadImage(std::uint16_t id) {
  return ReadCommittedFile("icon/image" + std::to_string(id) + ".bin");
}

// Palette indexes, top row first; empty where the mask makes the pixel transparent.
using Pixels = std::vector<std::optional<int>>;

Pixels Decode(const Bytes& image, int size, int bitCount) {
  const std::size_t colourRow = static_cast<std::size_t>((size * bitCount + 31) / 32 * 4);
  const std::size_t maskRow = static_cast<std::size_t>((size + 31) / 32 * 4);
  const std::size_t colours = kInfoHeaderSize + (std::size_t{1} << bitCount) * 4;
  const std::size_t mask = colours + colourRow * static_cast<std::size_t>(size);
  Pixels pixels;
  for (int y = 0; y < size; ++y) {
    const std::size_t row = static_cast<std::size_t>(size - 1 - y);  // bottom-up
    for (int x = 0; x < size; ++x) {
      const std::size_t bit = static_cast<std::size_t>(x * bitCount);
      const std::uint32_t byte = U8At(image, colours + row * colourRow + bit / 8);
      const int index = static_cast<int>(byte >> (8 - bitCount - bit % 8)) & ((1 << bitCount) - 1);
      const bool transparent = (U8At(image, mask + row * maskRow + x / 8) >> (7 - x % 8)) & 1;
      // A transparent pixel must be black in the colour bits, or the screen shows through
      // inverted rather than unchanged.
      EXPECT_FALSE(transparent && index != 0) << "at " << x << "," << y;
      pixels.push_back(transparent ? std::nullopt : std::optional<int>(index));
    }
  }
  return pixels;
}

class IconImage : public ::testing::TestWithParam<ImageCase> {
 protected:
  Bytes image_ = LoadImage(GetParam().id);
  Pixels pixels_ = Decode(image_, GetParam().size, GetParam().bitCount);

  std::optional<int> At(int x, int y) const {
    return pixels_[static_cast<std::size_t>(y * GetParam().size + x)];
  }
};

TEST_P(IconImage, IsABitmapWithDoubledHeightForTheMask) {
  const ImageCase& c = GetParam();
  ASSERT_EQ(image_.size(), c.bytes);
  EXPECT_EQ(U32At(image_, 0), kInfoHeaderSize);
  EXPECT_EQ(I32At(image_, 4), c.size);
  EXPECT_EQ(I32At(image_, 8), 2 * c.size);
  EXPECT_EQ(U16At(image_, 12), 1u) << "planes";
  EXPECT_EQ(U16At(image_, 14), static_cast<std::uint32_t>(c.bitCount));
  EXPECT_EQ(U32At(image_, 16), 0u) << "BI_RGB";
  const std::uint32_t sizeImage = U32At(image_, 20);
  EXPECT_TRUE(sizeImage == 0 || sizeImage == c.bytes - kInfoHeaderSize - (4u << c.bitCount))
      << sizeImage;
  EXPECT_EQ(U32At(image_, 32), 0u) << "colours used: all of the bit count's";
}

TEST_P(IconImage, UsesTheStandardPalette) {
  constexpr std::array<std::uint32_t, 16> kStandard{
      0x000000, 0x800000, 0x008000, 0x808000, 0x000080, 0x800080, 0x008080, 0xC0C0C0,
      0x808080, 0xFF0000, 0x00FF00, 0xFFFF00, 0x0000FF, 0xFF00FF, 0x00FFFF, 0xFFFFFF};
  constexpr std::array<std::uint32_t, 2> kMono{0x000000, 0xFFFFFF};
  const int colours = 1 << GetParam().bitCount;
  for (int i = 0; i < colours; ++i) {
    // Stored blue, green, red, zero: read as a number, that is 0x00RRGGBB.
    const std::uint32_t entry = U32At(image_, kInfoHeaderSize + static_cast<std::size_t>(i) * 4);
    EXPECT_EQ(entry, colours == 2 ? kMono[static_cast<std::size_t>(i)]
                                  : kStandard[static_cast<std::size_t>(i)])
        << "entry " << i;
  }
}

TEST_P(IconImage, FigureStandsOnATransparentBackground) {
  const int last = GetParam().size - 1;
  EXPECT_FALSE(At(0, 0) || At(last, 0) || At(0, last) || At(last, last));
  const auto opaque = std::count_if(pixels_.begin(), pixels_.end(),
                                    [](const std::optional<int>& p) { return p.has_value(); });
  EXPECT_GT(opaque * 10, static_cast<long>(pixels_.size()) * 3) << "the figure is too small";
  EXPECT_LT(opaque * 10, static_cast<long>(pixels_.size()) * 9) << "nothing is transparent";
}

INSTANTIATE_TEST_SUITE_P(ThreeImages, IconImage, ::testing::ValuesIn(kImages), ImageName);

constexpr int kBlack = 0, kGrey = 8, kCyan = 14, kWhite = 15;

struct Centre {
  double x = 0, y = 0;
  int count = 0;
};

Centre CentreOf(const Pixels& pixels, int size, int index) {
  Centre c;
  for (int y = 0; y < size; ++y) {
    for (int x = 0; x < size; ++x) {
      if (pixels[static_cast<std::size_t>(y * size + x)] != index) continue;
      c.x += x;
      c.y += y;
      ++c.count;
    }
  }
  if (c.count > 0) c = {c.x / c.count, c.y / c.count, c.count};
  return c;
}

class ColourIcon : public IconImage {};

// A white window with a cyan title bar above it, a black outline and a grey shadow to its lower
// right.
TEST_P(ColourIcon, ShowsAWindowWithTitleBarAndShadow) {
  std::set<int> used;
  for (const auto& p : pixels_) {
    if (p) used.insert(*p);
  }
  EXPECT_EQ(used, (std::set<int>{kBlack, kGrey, kCyan, kWhite}));

  const int size = GetParam().size;
  const Centre body = CentreOf(pixels_, size, kWhite);
  const Centre title = CentreOf(pixels_, size, kCyan);
  const Centre shadow = CentreOf(pixels_, size, kGrey);
  EXPECT_GT(body.count, title.count * 2);
  EXPECT_LT(title.y + size / 8.0, body.y) << "the title bar lies above the body";
  EXPECT_GT(shadow.x, body.x + size / 16.0) << "the shadow lies to the right";
  EXPECT_GT(shadow.y, body.y + size / 16.0) << "and below";
}

INSTANTIATE_TEST_SUITE_P(SixteenColours, ColourIcon,
                         ::testing::ValuesIn(kImages.begin() + 1, kImages.end()), ImageName);

// The window leans: its top edge climbs from left to right rather than lying level.
TEST(ProgramIcon, WindowIsSlanted) {
  const Pixels pixels = Decode(LoadImage(30002), 32, 4);
  const auto topOfColumn = [&](int x) {
    for (int y = 0; y < 32; ++y) {
      if (pixels[static_cast<std::size_t>(y * 32 + x)] == kBlack) return y;
    }
    return 32;
  };
  EXPECT_GE(topOfColumn(8) - topOfColumn(22), 2);
}

// The two-colour image is the same figure: what is white or cyan in colour is white there, the
// shadow turns black, and the transparent area is the same.
TEST(ProgramIcon, TwoColourImageIsTheColourFigureInBlackAndWhite) {
  const Pixels mono = Decode(LoadImage(30001), 32, 1);
  const Pixels colour = Decode(LoadImage(30002), 32, 4);
  ASSERT_EQ(mono.size(), colour.size());
  for (std::size_t i = 0; i < mono.size(); ++i) {
    ASSERT_EQ(mono[i].has_value(), colour[i].has_value()) << "pixel " << i;
    if (!colour[i]) continue;
    const bool light = *colour[i] == kWhite || *colour[i] == kCyan;
    EXPECT_EQ(*mono[i], light ? 1 : 0) << "pixel " << i;
  }
}

TEST(ProgramIcon, GroupListsTheThreeImages) {
  const Bytes group = ReadCommittedFile("icon/group1.bin");
  ASSERT_EQ(group.size(), 48u);
  EXPECT_EQ(U16At(group, 0), 0u) << "reserved";
  EXPECT_EQ(U16At(group, 2), 1u) << "icon, not cursor";
  ASSERT_EQ(U16At(group, 4), 3u) << "count";
  for (std::size_t i = 0; i < kImages.size(); ++i) {
    SCOPED_TRACE(kImages[i].id);
    const std::size_t entry = 6 + 14 * i;
    const std::uint32_t side = static_cast<std::uint32_t>(kImages[i].size);
    EXPECT_EQ(U8At(group, entry), side) << "width";
    EXPECT_EQ(U8At(group, entry + 1), side) << "height";
    EXPECT_EQ(U8At(group, entry + 2), 1u << kImages[i].bitCount) << "colour count";
    EXPECT_EQ(U8At(group, entry + 3), 0u);
    EXPECT_EQ(U16At(group, entry + 4), 1u) << "planes";
    EXPECT_EQ(U16At(group, entry + 6), static_cast<std::uint32_t>(kImages[i].bitCount));
    EXPECT_EQ(U32At(group, entry + 8), kImages[i].bytes);
    EXPECT_EQ(U16At(group, entry + 12), kImages[i].id);
  }
}

// The .ico file serves for previews; it must show what the executable carries.
TEST(ProgramIcon, IcoFileHoldsTheSameImages) {
  const Bytes ico = ReadCommittedFile("icon/brantel.ico");
  const Bytes group = ReadCommittedFile("icon/group1.bin");
  ASSERT_EQ(U16At(ico, 4), 3u);
  for (std::size_t i = 0; i < kImages.size(); ++i) {
    SCOPED_TRACE(kImages[i].id);
    const std::size_t entry = 6 + 16 * i;
    // The first twelve bytes of an entry are those of the group's.
    EXPECT_TRUE(std::equal(ico.begin() + static_cast<long>(entry),
                           ico.begin() + static_cast<long>(entry + 12),
                           group.begin() + static_cast<long>(6 + 14 * i)));
    const Bytes image = LoadImage(kImages[i].id);
    const std::size_t offset = U32At(ico, entry + 12);
    ASSERT_LE(offset + image.size(), ico.size());
    EXPECT_TRUE(std::equal(image.begin(), image.end(), ico.begin() + static_cast<long>(offset)));
  }
}

}  // namespace
}  // namespace brantel::testing
