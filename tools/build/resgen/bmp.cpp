#include "bmp.h"

#include <algorithm>
#include <map>

#include "bytes/bmp_headers.h"

namespace brantel::resgen {

namespace {
using bmp::kRgb;
using bmp::kRle8;
constexpr std::size_t kMaxColours = 256;
constexpr std::size_t kMaxRun = 255;

std::uint32_t RowBytes(int width) {
  return bmp::RowStride(width, 8);
}

// BI_RLE8, one row at a time: runs of one index as (count, index); stretches of differing
// indices, three or more long, in absolute mode (0, count, indices, padded to a word).
void EncodeRow(const std::vector<std::uint8_t>& row, bool last, Bytes& out) {
  std::size_t at = 0;
  while (at < row.size()) {
    std::size_t run = 1;
    while (at + run < row.size() && run < kMaxRun && row[at + run] == row[at]) ++run;
    if (run >= 2) {
      AppendU8(out, static_cast<unsigned>(run));
      AppendU8(out, row[at]);
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
        AppendU8(out, 1);
        AppendU8(out, row[at + i]);
      }
    } else {
      AppendU8(out, 0);
      AppendU8(out, static_cast<unsigned>(literal));
      out.insert(out.end(), row.begin() + static_cast<std::ptrdiff_t>(at),
                 row.begin() + static_cast<std::ptrdiff_t>(at + literal));
      if (literal % 2 != 0) AppendU8(out, 0);
    }
    at += literal;
  }
  AppendU8(out, 0);
  AppendU8(out, last ? 1 : 0);  // end of bitmap, or end of line
}

template <std::unsigned_integral Field>
Field Get(const Bytes& file, std::size_t at) {
  const std::optional<Field> value = ReadLittleEndian<Field>(file, at);
  if (!value) throw BmpError("BMP file cut short");
  return *value;
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
  const std::uint32_t pixelOffset = bmp::kFileHeaderSize + bmp::kInfoHeaderSize + paletteBytes;
  const auto pixelBytes = static_cast<std::uint32_t>(pixels.size());
  Bytes out;
  out.reserve(pixelOffset + pixelBytes);
  bmp::AppendFileHeader(out, pixelOffset, pixelOffset + pixelBytes);
  bmp::AppendInfoHeader(out,
                        {.width = size,
                         .height = size,  // positive: bottom-up, as run-length encoding requires
                         .bitCount = 8,
                         .compression = compression,
                         .imageSize = pixelBytes,
                         .pixelsPerMetre = bmp::kPixelsPerMetreAt96Dpi,
                         .coloursUsed = static_cast<std::uint32_t>(palette.size())});
  for (const Rgb colour : palette) {
    AppendU8(out, colour.blue);
    AppendU8(out, colour.green);
    AppendU8(out, colour.red);
    AppendU8(out, 0);
  }
  out.insert(out.end(), pixels.begin(), pixels.end());
  return out;
}

DecodedBmp DecodeBmp(const Bytes& file) {
  if (Get<std::uint16_t>(file, bmp::kSignatureAt) != bmp::kSignature) {
    throw BmpError("not a BMP file");
  }
  const auto pixelOffset = Get<std::uint32_t>(file, bmp::kPixelOffsetAt);
  const auto headerSize = Get<std::uint32_t>(file, bmp::kInfoHeaderSizeAt);
  DecodedBmp decoded;
  decoded.width = static_cast<std::int32_t>(Get<std::uint32_t>(file, bmp::kWidthAt));
  decoded.height = static_cast<std::int32_t>(Get<std::uint32_t>(file, bmp::kHeightAt));
  decoded.compression = Get<std::uint32_t>(file, bmp::kCompressionAt);
  const auto pixelBytes = Get<std::uint32_t>(file, bmp::kImageSizeAt);
  decoded.colours = Get<std::uint32_t>(file, bmp::kColoursUsedAt);
  if (headerSize != bmp::kInfoHeaderSize || Get<std::uint16_t>(file, bmp::kBitCountAt) != 8 ||
      (decoded.compression != kRgb && decoded.compression != kRle8) || decoded.width <= 0 ||
      decoded.height <= 0 || decoded.width > 4096 || decoded.height > 4096 ||
      decoded.colours == 0 || decoded.colours > kMaxColours) {
    throw BmpError("not an 8-bit bottom-up BMP file with a palette");
  }
  const std::size_t paletteAt = bmp::kFileHeaderSize + headerSize;
  if (pixelOffset < paletteAt + decoded.colours * 4 || pixelOffset > file.size() ||
      file.size() - pixelOffset < pixelBytes) {
    throw BmpError("BMP palette or pixels out of place");
  }
  std::vector<Rgb> palette;
  for (std::uint32_t i = 0; i < decoded.colours; ++i) {
    const std::uint8_t* entry = &file[paletteAt + i * 4];
    palette.push_back({entry[2], entry[1], entry[0]});
  }

  const auto width = static_cast<std::size_t>(decoded.width);
  const auto height = static_cast<std::size_t>(decoded.height);
  std::vector<std::uint8_t> indices(width * height);  // file order: bottom row first
  const std::uint8_t* bytes = file.data() + pixelOffset;
  if (decoded.compression == kRgb) {
    if (pixelBytes < RowBytes(decoded.width) * height) throw BmpError("BMP pixels cut short");
    for (std::size_t y = 0; y < height; ++y) {
      std::copy_n(bytes + y * RowBytes(decoded.width), width, indices.begin() + y * width);
    }
  } else {
    // Without deltas the data only moves right along a row or on to the next row, so no pixel is
    // painted twice, and all are painted when as many have been painted as the bitmap holds.
    std::size_t at = 0, x = 0, y = 0, painted = 0;
    const auto next = [&] {
      if (at >= pixelBytes) throw BmpError("run-length data ends without an end of bitmap");
      return bytes[at++];
    };
    const auto put = [&](std::uint8_t index) {
      if (x >= width || y >= height) throw BmpError("run-length data outside the bitmap");
      indices[y * width + x] = index;
      ++painted;
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
    if (painted != indices.size()) throw BmpError("pixels that the run-length data never paints");
  }
  for (std::size_t y = 0; y < height; ++y) {
    for (std::size_t x = 0; x < width; ++x) {
      const std::uint8_t index = indices[(height - 1 - y) * width + x];
      if (index >= palette.size()) throw BmpError("pixel index beyond the palette");
      decoded.pixels.push_back(palette[index]);
    }
  }
  return decoded;
}

}  // namespace brantel::resgen
