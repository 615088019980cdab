#include "bmp.h"

namespace brantel::resgen {

namespace {
constexpr std::uint32_t kFileHeaderSize = 14;
constexpr std::uint32_t kInfoHeaderSize = 40;
constexpr std::int32_t kPixelsPerMetre = 3780;  // 96 dpi
}  // namespace

Bytes EncodeBmp(const Canvas& canvas) {
  const int size = canvas.size();
  const std::uint32_t rowBytes = (static_cast<std::uint32_t>(size) * 3 + 3) / 4 * 4;
  const std::uint32_t pixelBytes = rowBytes * static_cast<std::uint32_t>(size);
  const std::uint32_t pixelOffset = kFileHeaderSize + kInfoHeaderSize;

  Bytes out;
  out.reserve(pixelOffset + pixelBytes);
  PutU8(out, 'B');
  PutU8(out, 'M');
  PutU32(out, pixelOffset + pixelBytes);
  PutU32(out, 0);  // two reserved words
  PutU32(out, pixelOffset);

  PutU32(out, kInfoHeaderSize);
  PutI32(out, size);
  PutI32(out, size);  // positive: rows bottom-up
  PutU16(out, 1);     // planes
  PutU16(out, 24);    // bits per pixel
  PutU32(out, 0);     // BI_RGB
  PutU32(out, pixelBytes);
  PutI32(out, kPixelsPerMetre);
  PutI32(out, kPixelsPerMetre);
  PutU32(out, 0);  // colours used
  PutU32(out, 0);  // colours important

  for (int y = size - 1; y >= 0; --y) {
    for (int x = 0; x < size; ++x) {
      PutU8(out, canvas.Channel(x, y, 2));
      PutU8(out, canvas.Channel(x, y, 1));
      PutU8(out, canvas.Channel(x, y, 0));
    }
    for (std::uint32_t pad = static_cast<std::uint32_t>(size) * 3; pad < rowBytes; ++pad) {
      PutU8(out, 0);
    }
  }
  return out;
}

}  // namespace brantel::resgen
