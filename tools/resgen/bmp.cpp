#include "bmp.h"

#include <algorithm>
#include <map>

namespace brantel::resgen {

namespace {
constexpr std::uint32_t kFileHeaderSize = 14;
constexpr std::uint32_t kInfoHeaderSize = 40;
constexpr std::int32_t kPixelsPerMetre = 3780;  // 96 dpi
constexpr std::uint32_t kRgb = 0;
constexpr std::uint32_t kRle8 = 1;
constexpr std::size_t kMaxColours = 256;
constexpr std::size_t kMaxRun = 255;

std::uint32_t RowBytes(int width) {
  return (static_cast<std::uint32_t>(width) + 3) / 4 * 4;
}

// BI_RLE8, one row at a time: runs of one index as (count, index); stretches of differing
// indices, three or more long, in absolute mode (0, count, indices, padded to a word).
void EncodeRow(const std::vector<std::uint8_t>& row, bool last, Bytes& out) {
  std::size_t at = 0;
  while (at < row.size()) {
    std::size_t run = 1;
    while (at + run < row.size() && run < kMaxRun && row[at + run] == row[at]) ++run;
    if (run >= 2) {
      PutU8(out, static_cast<unsigned>(run));
      PutU8(out, row[at]);
      at += run;
      continue;
    }
    std::size_t literal = 1;
    while (at + literal < row.size() && literal < kMaxRun &&
           !(at + literal + 1 < row.size() && row[at + literal] == row[at + literal + 1])) {
      ++literal;
    }
    if (literal < 3) {
      for (std::size_t i = 0; i < literal; ++i) {
        PutU8(out, 1);
        PutU8(out, row[at + i]);
      }
    } else {
      PutU8(out, 0);
      PutU8(out, static_cast<unsigned>(literal));
      out.insert(out.end(), row.begin() + static_cast<std::ptrdiff_t>(at),
                 row.begin() + static_cast<std::ptrdiff_t>(at + literal));
      if (literal % 2 != 0) PutU8(out, 0);
    }
    at += literal;
  }
  PutU8(out, 0);
  PutU8(out, last ? 1 : 0);  // end of bitmap, or end of line
}

std::uint32_t GetU32(const Bytes& file, std::size_t at) {
  if (at > file.size() || file.size() - at < 4) throw BmpError("BMP file cut short");
  return static_cast<std::uint32_t>(file[at]) | static_cast<std::uint32_t>(file[at + 1]) << 8 |
         static_cast<std::uint32_t>(file[at + 2]) << 16 |
         static_cast<std::uint32_t>(file[at + 3]) << 24;
}

std::uint16_t GetU16(const Bytes& file, std::size_t at) {
  return static_cast<std::uint16_t>(GetU32(file, at) & 0xFFFFu);
}

}  // namespace

Bytes EncodeBmp(const Canvas& canvas) {
  const int size = canvas.size();
  // The palette lists the colours in the order the file's rows (bottom first) meet them.
  std::vector<Rgb> palette;
  std::map<std::uint32_t, std::uint8_t> indexOf;
  std::vector<std::vector<std::uint8_t>> rows;
  for (int y = size - 1; y >= 0; --y) {
    std::vector<std::uint8_t>& row = rows.emplace_back();
    for (int x = 0; x < size; ++x) {
      const Rgb colour{canvas.Channel(x, y, 0), canvas.Channel(x, y, 1), canvas.Channel(x, y, 2)};
      const std::uint32_t key = colour.red << 16 | colour.green << 8 | colour.blue;
      auto [found, added] = indexOf.try_emplace(key, static_cast<std::uint8_t>(palette.size()));
      if (added) {
        if (palette.size() == kMaxColours) throw BmpError("more than 256 colours in a picture");
        palette.push_back(colour);
      }
      row.push_back(found->second);
    }
  }

  Bytes pixels;
  for (std::size_t y = 0; y < rows.size(); ++y) EncodeRow(rows[y], y + 1 == rows.size(), pixels);
  std::uint32_t compression = kRle8;
  if (pixels.size() >= static_cast<std::size_t>(RowBytes(size)) * rows.size()) {
    compression = kRgb;
    pixels.clear();
    for (const auto& row : rows) {
      pixels.insert(pixels.end(), row.begin(), row.end());
      pixels.resize(pixels.size() + RowBytes(size) - row.size(), 0);
    }
  }

  const auto paletteBytes = static_cast<std::uint32_t>(palette.size() * 4);
  const std::uint32_t pixelOffset = kFileHeaderSize + kInfoHeaderSize + paletteBytes;
  const auto pixelBytes = static_cast<std::uint32_t>(pixels.size());
  Bytes out;
  out.reserve(pixelOffset + pixelBytes);
  PutU8(out, 'B');
  PutU8(out, 'M');
  PutU32(out, pixelOffset + pixelBytes);
  PutU32(out, 0);  // two reserved words
  PutU32(out, pixelOffset);

  PutU32(out, kInfoHeaderSize);
  PutI32(out, size);
  PutI32(out, size);  // positive: rows bottom-up, as run-length encoding requires
  PutU16(out, 1);     // planes
  PutU16(out, 8);     // bits per pixel
  PutU32(out, compression);
  PutU32(out, pixelBytes);
  PutI32(out, kPixelsPerMetre);
  PutI32(out, kPixelsPerMetre);
  PutU32(out, static_cast<std::uint32_t>(palette.size()));  // colours used
  PutU32(out, 0);                                           // colours important: all
  for (const Rgb colour : palette) {
    PutU8(out, colour.blue);
    PutU8(out, colour.green);
    PutU8(out, colour.red);
    PutU8(out, 0);
  }
  out.insert(out.end(), pixels.begin(), pixels.end());
  return out;
}

DecodedBmp DecodeBmp(const Bytes& file) {
  if (GetU16(file, 0) != 0x4D42u) throw BmpError("not a BMP file");
  const std::uint32_t pixelOffset = GetU32(file, 10);
  const std::uint32_t headerSize = GetU32(file, 14);
  DecodedBmp bmp;
  bmp.width = static_cast<std::int32_t>(GetU32(file, 18));
  bmp.height = static_cast<std::int32_t>(GetU32(file, 22));
  bmp.compression = GetU32(file, 30);
  const std::uint32_t pixelBytes = GetU32(file, 34);
  bmp.colours = GetU32(file, 46);
  if (headerSize != kInfoHeaderSize || GetU16(file, 28) != 8 ||
      (bmp.compression != kRgb && bmp.compression != kRle8) || bmp.width <= 0 || bmp.height <= 0 ||
      bmp.width > 4096 || bmp.height > 4096 || bmp.colours == 0 || bmp.colours > kMaxColours) {
    throw BmpError("not an 8-bit bottom-up BMP file with a palette");
  }
  const std::size_t paletteAt = kFileHeaderSize + headerSize;
  if (pixelOffset < paletteAt + bmp.colours * 4 || pixelOffset > file.size() ||
      file.size() - pixelOffset < pixelBytes) {
    throw BmpError("BMP palette or pixels out of place");
  }
  std::vector<Rgb> palette;
  for (std::uint32_t i = 0; i < bmp.colours; ++i) {
    const std::uint8_t* entry = &file[paletteAt + i * 4];
    palette.push_back({entry[2], entry[1], entry[0]});
  }

  const auto width = static_cast<std::size_t>(bmp.width);
  const auto height = static_cast<std::size_t>(bmp.height);
  std::vector<std::uint8_t> indices(width * height);  // file order: bottom row first
  std::vector<bool> painted(indices.size(), false);
  const std::uint8_t* bytes = file.data() + pixelOffset;
  if (bmp.compression == kRgb) {
    if (pixelBytes < RowBytes(bmp.width) * height) throw BmpError("BMP pixels cut short");
    for (std::size_t y = 0; y < height; ++y) {
      std::copy_n(bytes + y * RowBytes(bmp.width), width, indices.begin() + y * width);
    }
    painted.assign(painted.size(), true);
  } else {
    std::size_t at = 0, x = 0, y = 0;
    const auto next = [&] {
      if (at >= pixelBytes) throw BmpError("run-length data ends without an end of bitmap");
      return bytes[at++];
    };
    const auto put = [&](std::uint8_t index) {
      if (x >= width || y >= height) throw BmpError("run-length data outside the bitmap");
      indices[y * width + x] = index;
      painted[y * width + x] = true;
      ++x;
    };
    for (bool ended = false; !ended;) {
      const std::uint8_t count = next();
      const std::uint8_t value = next();
      if (count != 0) {
        for (int i = 0; i < count; ++i) put(value);
      } else if (value == 0) {
        x = 0;
        ++y;
      } else if (value == 1) {
        ended = true;
      } else if (value == 2) {
        throw BmpError("run-length delta, which leaves pixels unpainted");
      } else {
        for (int i = 0; i < value; ++i) put(next());
        if (value % 2 != 0) next();
      }
    }
  }
  if (std::find(painted.begin(), painted.end(), false) != painted.end()) {
    throw BmpError("pixels that the run-length data never paints");
  }
  for (std::size_t y = 0; y < height; ++y) {
    for (std::size_t x = 0; x < width; ++x) {
      const std::uint8_t index = indices[(height - 1 - y) * width + x];
      if (index >= palette.size()) throw BmpError("pixel index beyond the palette");
      bmp.pixels.push_back(palette[index]);
    }
  }
  return bmp;
}

}  // namespace brantel::resgen
