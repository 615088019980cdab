#include "window/bitmap_win.h"

#include <cstring>

#include "common/check_win.h"

namespace brantel {

namespace {

// The header and palette copied out of the file, so that GDI reads them from aligned memory.
struct PaletteBitmapInfo {
  BITMAPINFOHEADER header;
  RGBQUAD colours[256];
};

}  // namespace

// The pictures are 8-bit palette files, uncompressed or BI_RLE8; GDI converts either to the
// display's format once, keeping each palette colour exact.
UniqueBitmap BitmapFromFile(std::span<const std::uint8_t> file) {
  BITMAPFILEHEADER header{};
  PaletteBitmapInfo info{};
  if (file.size() < sizeof header + sizeof info.header) {
    throw Error(ERROR_BAD_FORMAT, "bitmap header");
  }
  std::memcpy(&header, file.data(), sizeof header);
  std::memcpy(&info.header, file.data() + sizeof header, sizeof info.header);
  const BITMAPINFOHEADER& h = info.header;
  const bool runLength = h.biCompression == BI_RLE8;
  if (header.bfType != 0x4D42 || h.biSize != sizeof h || h.biBitCount != 8 ||
      (h.biCompression != BI_RGB && !runLength) || h.biClrUsed == 0 || h.biClrUsed > 256 ||
      h.biWidth <= 0 || h.biWidth > 4096 || h.biHeight <= 0 || h.biHeight > 4096) {
    throw Error(ERROR_BAD_FORMAT, "bitmap header");
  }
  const std::size_t paletteAt = sizeof header + sizeof h;
  const std::size_t paletteBytes = h.biClrUsed * sizeof(RGBQUAD);
  const std::uint64_t stride = (static_cast<std::uint64_t>(h.biWidth) + 3) & ~3ull;
  const std::uint64_t pixelBytes =
      runLength ? h.biSizeImage : stride * static_cast<std::uint64_t>(h.biHeight);
  if (header.bfOffBits < paletteAt + paletteBytes || header.bfOffBits > file.size() ||
      file.size() - header.bfOffBits < pixelBytes || pixelBytes == 0) {
    throw Error(ERROR_BAD_FORMAT, "bitmap pixels");
  }
  std::memcpy(info.colours, file.data() + paletteAt, paletteBytes);
  const WindowDc screen(nullptr);
  UniqueBitmap bitmap(::CreateDIBitmap(screen.get(), &info.header, CBM_INIT,
                                       file.data() + header.bfOffBits,
                                       reinterpret_cast<const BITMAPINFO*>(&info), DIB_RGB_COLORS));
  if (!bitmap) ThrowLastError("CreateDIBitmap");
  return bitmap;
}

}  // namespace brantel
