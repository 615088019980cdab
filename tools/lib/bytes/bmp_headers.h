#pragma once

// The two headers that open a BMP file (BITMAPFILEHEADER, then BITMAPINFOHEADER), laid out as the
// file holds them, for the programs that write or read BMP files without <windows.h>. The
// icon's images start with the second one alone.

#include <cstddef>
#include <cstdint>
#include <vector>

#include "bytes/little_endian.h"

namespace brantel::bmp {

inline constexpr std::uint16_t kSignature = 0x4D42;  // "BM"
inline constexpr std::uint32_t kFileHeaderSize = 14;
inline constexpr std::uint32_t kInfoHeaderSize = 40;
inline constexpr std::uint32_t kRgb = 0;   // BI_RGB
inline constexpr std::uint32_t kRle8 = 1;  // BI_RLE8
inline constexpr std::int32_t kPixelsPerMetreAt96Dpi = 3780;

// Where the fields lie, counted from the start of the file.
enum FieldOffset : std::size_t {
  kSignatureAt = 0,
  kPixelOffsetAt = 10,
  kInfoHeaderSizeAt = 14,
  kWidthAt = 18,
  kHeightAt = 22,
  kBitCountAt = 28,
  kCompressionAt = 30,
  kImageSizeAt = 34,
  kColoursUsedAt = 46,
};

struct InfoHeader {
  std::int32_t width = 0;
  std::int32_t height = 0;  // positive: rows bottom-up
  std::uint16_t bitCount = 0;
  std::uint32_t compression = kRgb;
  std::uint32_t imageSize = 0;  // bytes of pixel data
  std::int32_t pixelsPerMetre = 0;
  std::uint32_t coloursUsed = 0;  // palette entries; all colours are important
};

// Rows of pixels are padded to whole 32-bit words.
inline std::uint32_t RowStride(std::int32_t width, std::uint16_t bitCount) {
  return (static_cast<std::uint32_t>(width) * bitCount + 31) / 32 * 4;
}

inline void AppendFileHeader(std::vector<std::uint8_t>& out, std::uint32_t pixelOffset,
                             std::uint32_t fileSize) {
  AppendU16(out, kSignature);
  AppendU32(out, fileSize);
  AppendU32(out, 0);  // two reserved words
  AppendU32(out, pixelOffset);
}

inline void AppendInfoHeader(std::vector<std::uint8_t>& out, const InfoHeader& info) {
  AppendU32(out, kInfoHeaderSize);
  AppendI32(out, info.width);
  AppendI32(out, info.height);
  AppendU16(out, 1);  // planes
  AppendU16(out, info.bitCount);
  AppendU32(out, info.compression);
  AppendU32(out, info.imageSize);
  AppendI32(out, info.pixelsPerMetre);
  AppendI32(out, info.pixelsPerMetre);
  AppendU32(out, info.coloursUsed);
  AppendU32(out, 0);  // colours important: all
}

}  // namespace brantel::bmp
