#include "window/bitmap_win.h"

#include <cstring>

#include "common/check_win.h"

namespace brantel {

UniqueBitmap BitmapFromFile(std::span<const std::uint8_t> file) {
  BITMAPFILEHEADER header{};
  BITMAPINFOHEADER info{};
  if (file.size() < sizeof header + sizeof info) throw Error(ERROR_BAD_FORMAT, "bitmap header");
  std::memcpy(&header, file.data(), sizeof header);
  std::memcpy(&info, file.data() + sizeof header, sizeof info);
  if (header.bfType != 0x4D42 || info.biSize < sizeof info || info.biBitCount != 24 ||
      info.biCompression != BI_RGB || info.biWidth <= 0 || info.biHeight == 0 ||
      info.biWidth > 4096 || info.biHeight > 4096 || info.biHeight < -4096) {
    throw Error(ERROR_BAD_FORMAT, "bitmap header");
  }
  const std::uint64_t stride = (static_cast<std::uint64_t>(info.biWidth) * 3 + 3) & ~3ull;
  const std::uint64_t rows = info.biHeight < 0 ? -static_cast<std::int64_t>(info.biHeight)
                                               : static_cast<std::int64_t>(info.biHeight);
  if (header.bfOffBits > file.size() || file.size() - header.bfOffBits < stride * rows) {
    throw Error(ERROR_BAD_FORMAT, "bitmap pixels");
  }
  BITMAPINFO bitmapInfo{};
  bitmapInfo.bmiHeader = info;
  bitmapInfo.bmiHeader.biSize = sizeof info;
  const WindowDc screen(nullptr);
  UniqueBitmap bitmap(::CreateDIBitmap(screen.get(), &bitmapInfo.bmiHeader, CBM_INIT,
                                       file.data() + header.bfOffBits, &bitmapInfo,
                                       DIB_RGB_COLORS));
  if (!bitmap) ThrowLastError("CreateDIBitmap");
  return bitmap;
}

}  // namespace brantel
