#include "icon.h"

#include <array>

#include "bytes/bmp_headers.h"

namespace brantel::resgen {

namespace {

constexpr std::array<PaletteEntry, 16> kStandardPalette{{
    {0, 0, 0},
    {128, 0, 0},
    {0, 128, 0},
    {128, 128, 0},
    {0, 0, 128},
    {128, 0, 128},
    {0, 128, 128},
    {192, 192, 192},
    {128, 128, 128},
    {255, 0, 0},
    {0, 255, 0},
    {255, 255, 0},
    {0, 0, 255},
    {255, 0, 255},
    {0, 255, 255},
    {255, 255, 255},
}};
constexpr std::array<PaletteEntry, 2> kMonoPalette{{{0, 0, 0}, {255, 255, 255}}};

struct Inks {
  std::uint8_t outline, body, title, shadow;
};
constexpr Inks kColourInks{0, 15, 14, 8};
// Two colours: the title bar stays white and only the lines around it mark it out.
constexpr Inks kMonoInks{0, 1, 1, 0};

struct Vec {
  double x, y;
};

// Maps the unit square onto a four-cornered figure and back, so that the window's title bar and
// edges follow the perspective of its outline.
class Perspective {
 public:
  // Corners in order: top left, top right, bottom right, bottom left.
  Perspective(Vec p0, Vec p1, Vec p2, Vec p3) {
    const double dx1 = p1.x - p2.x, dx2 = p3.x - p2.x, dx3 = p0.x - p1.x + p2.x - p3.x;
    const double dy1 = p1.y - p2.y, dy2 = p3.y - p2.y, dy3 = p0.y - p1.y + p2.y - p3.y;
    const double det = dx1 * dy2 - dx2 * dy1;
    const double g = (dx3 * dy2 - dx2 * dy3) / det;
    const double h = (dx1 * dy3 - dx3 * dy1) / det;
    const std::array<double, 9> m{p1.x - p0.x + g * p1.x,
                                  p3.x - p0.x + h * p3.x,
                                  p0.x,
                                  p1.y - p0.y + g * p1.y,
                                  p3.y - p0.y + h * p3.y,
                                  p0.y,
                                  g,
                                  h,
                                  1};
    // The adjugate inverts a projective map: its scale does not matter.
    inverse_ = {m[4] * m[8] - m[5] * m[7], m[2] * m[7] - m[1] * m[8], m[1] * m[5] - m[2] * m[4],
                m[5] * m[6] - m[3] * m[8], m[0] * m[8] - m[2] * m[6], m[2] * m[3] - m[0] * m[5],
                m[3] * m[7] - m[4] * m[6], m[1] * m[6] - m[0] * m[7], m[0] * m[4] - m[1] * m[3]};
  }

  Vec ToSquare(Vec p) const {
    const auto& n = inverse_;
    const double w = n[6] * p.x + n[7] * p.y + n[8];
    return {(n[0] * p.x + n[1] * p.y + n[2]) / w, (n[3] * p.x + n[4] * p.y + n[5]) / w};
  }

 private:
  std::array<double, 9> inverse_{};
};

// The figure's outline for each image size. The 16-pixel image has a drawing of its own rather
// than a reduced copy, which would lose its lines to rounding.
struct Figure {
  Perspective window;
  double shadowOffset;
  double titleDepth;  // share of the window's height
};

const Figure& FigureFor(int size) {
  static const Figure kLarge{Perspective({3.0, 8.0}, {26.0, 4.0}, {27.0, 23.0}, {4.0, 28.0}), 2.0,
                             0.2};
  static const Figure kSmall{Perspective({1.0, 4.0}, {14.0, 1.5}, {14.0, 12.0}, {1.5, 14.0}), 1.0,
                             0.32};
  return size >= 32 ? kLarge : kSmall;
}

struct Sample {
  bool window;
  bool title;
  bool shadow;
};

Sample SampleAt(const Figure& figure, Vec p) {
  const Vec in = figure.window.ToSquare(p);
  const Vec behind = figure.window.ToSquare({p.x - figure.shadowOffset, p.y - figure.shadowOffset});
  const auto inside = [](Vec q) { return q.x >= 0 && q.x <= 1 && q.y >= 0 && q.y <= 1; };
  return {inside(in), in.y < figure.titleDepth, inside(behind)};
}

}  // namespace

IconImage DrawIcon(int size, int bitCount) {
  IconImage image{size, bitCount, {}, {}};
  if (bitCount == 1) {
    image.palette.assign(kMonoPalette.begin(), kMonoPalette.end());
  } else {
    image.palette.assign(kStandardPalette.begin(), kStandardPalette.end());
  }
  const Inks& inks = bitCount == 1 ? kMonoInks : kColourInks;
  const Figure& figure = FigureFor(size);
  const auto at = [&](int x, int y) { return SampleAt(figure, {x + 0.5, y + 0.5}); };
  const auto windowAt = [&](int x, int y) {
    return x >= 0 && y >= 0 && x < size && y < size && at(x, y).window;
  };

  image.pixels.resize(static_cast<std::size_t>(size * size));
  for (int y = 0; y < size; ++y) {
    for (int x = 0; x < size; ++x) {
      const Sample here = at(x, y);
      std::optional<std::uint8_t> ink;
      if (here.window) {
        const bool edge = !windowAt(x - 1, y) || !windowAt(x + 1, y) || !windowAt(x, y - 1) ||
                          !windowAt(x, y + 1);
        const bool titleLine = !here.title && at(x, y - 1).title;
        if (edge || titleLine) {
          ink = inks.outline;
        } else {
          ink = here.title ? inks.title : inks.body;
        }
      } else if (here.shadow) {
        ink = inks.shadow;
      }
      image.pixels[static_cast<std::size_t>(y * size + x)] = ink;
    }
  }
  return image;
}

namespace {

std::uint32_t RowBytes(int size, int bitCount) {
  return bmp::RowStride(size, static_cast<std::uint16_t>(bitCount));
}

std::uint32_t ImageBytes(const IconImage& image) {
  return RowBytes(image.size, image.bitCount) * static_cast<std::uint32_t>(image.size);
}

std::uint32_t MaskBytes(const IconImage& image) {
  return RowBytes(image.size, 1) * static_cast<std::uint32_t>(image.size);
}

std::uint32_t ResourceBytes(const IconImage& image) {
  return bmp::kInfoHeaderSize + static_cast<std::uint32_t>(image.palette.size()) * 4 +
         ImageBytes(image) + MaskBytes(image);
}

// Packs one bottom-up plane of `bits`-wide values, leftmost pixel in the high bits.
template <typename ValueOf>
void PutPlane(Bytes& out, int size, int bits, ValueOf valueOf) {
  const std::uint32_t rowBytes = RowBytes(size, bits);
  for (int y = size - 1; y >= 0; --y) {
    Bytes row(rowBytes, 0);
    for (int x = 0; x < size; ++x) {
      const int bit = x * bits;
      const int shift = 8 - bits - bit % 8;
      row[static_cast<std::size_t>(bit / 8)] |= static_cast<std::uint8_t>(valueOf(x, y) << shift);
    }
    out.insert(out.end(), row.begin(), row.end());
  }
}

void PutEntryFields(Bytes& out, const IconImage& image) {
  AppendU8(out, static_cast<unsigned>(image.size));
  AppendU8(out, static_cast<unsigned>(image.size));
  AppendU8(out, static_cast<unsigned>(image.palette.size()));
  AppendU8(out, 0);
  AppendU16(out, 1);  // planes
  AppendU16(out, static_cast<unsigned>(image.bitCount));
  AppendU32(out, ResourceBytes(image));
}

constexpr unsigned kIconType = 1;

}  // namespace

Bytes EncodeIconImage(const IconImage& image) {
  Bytes out;
  bmp::AppendInfoHeader(out,
                        {.width = image.size,
                         .height = image.size * 2,  // colour bits and mask, one above the other
                         .bitCount = static_cast<std::uint16_t>(image.bitCount),
                         .imageSize = ImageBytes(image) + MaskBytes(image)});
  for (const PaletteEntry& entry : image.palette) {
    AppendU8(out, entry.blue);
    AppendU8(out, entry.green);
    AppendU8(out, entry.red);
    AppendU8(out, 0);
  }
  const auto pixel = [&](int x, int y) {
    return image.pixels[static_cast<std::size_t>(y * image.size + x)];
  };
  // Transparent pixels are black in the colour bits, so that the mask alone decides them.
  PutPlane(out, image.size, image.bitCount, [&](int x, int y) { return pixel(x, y).value_or(0); });
  PutPlane(out, image.size, 1, [&](int x, int y) { return pixel(x, y) ? 0 : 1; });
  return out;
}

Bytes EncodeIconGroup(const std::vector<IconGroupEntry>& entries) {
  Bytes out;
  AppendU16(out, 0);
  AppendU16(out, kIconType);
  AppendU16(out, static_cast<unsigned>(entries.size()));
  for (const IconGroupEntry& entry : entries) {
    PutEntryFields(out, *entry.image);
    AppendU16(out, entry.resourceId);
  }
  return out;
}

Bytes EncodeIcoFile(const std::vector<IconGroupEntry>& entries) {
  constexpr std::uint32_t kHeaderSize = 6;
  constexpr std::uint32_t kEntrySize = 16;
  Bytes out;
  AppendU16(out, 0);
  AppendU16(out, kIconType);
  AppendU16(out, static_cast<unsigned>(entries.size()));
  std::uint32_t offset = kHeaderSize + kEntrySize * static_cast<std::uint32_t>(entries.size());
  for (const IconGroupEntry& entry : entries) {
    PutEntryFields(out, *entry.image);
    AppendU32(out, offset);
    offset += ResourceBytes(*entry.image);
  }
  for (const IconGroupEntry& entry : entries) {
    const Bytes image = EncodeIconImage(*entry.image);
    out.insert(out.end(), image.begin(), image.end());
  }
  return out;
}

}  // namespace brantel::resgen
