#include "capture_win.h"

#include <cstdint>
#include <cstdio>
#include <vector>

#include "bytes/bmp_headers.h"
#include "common/check_win.h"
#include "common/utf8_win.h"
#include "failure.h"
#include "common/unique_handle_win.h"

namespace brantel::automate {
namespace {

void CloseFile(std::FILE* file) noexcept {
  std::fclose(file);
}
using UniqueCFile = UniqueHandle<HandleTraits<std::FILE*, &CloseFile>>;

constexpr std::uint16_t kBitsPerPixel = 24;

void WriteBmp(const std::wstring& path, int width, int height,
              const std::vector<std::uint8_t>& rows) {
  const auto pixelBytes = static_cast<std::uint32_t>(rows.size());
  constexpr std::uint32_t kPixelOffset = bmp::kFileHeaderSize + bmp::kInfoHeaderSize;
  std::vector<std::uint8_t> headers;
  bmp::AppendFileHeader(headers, kPixelOffset, kPixelOffset + pixelBytes);
  bmp::AppendInfoHeader(headers, {.width = width,
                                  .height = height,
                                  .bitCount = kBitsPerPixel,
                                  .imageSize = pixelBytes,
                                  .pixelsPerMetre = bmp::kPixelsPerMetreAt96Dpi});
  const UniqueCFile out(_wfopen(path.c_str(), L"wb"));
  if (!out) throw StepFailure("cannot create " + Narrow(path));
  const bool written =
      std::fwrite(headers.data(), 1, headers.size(), out.get()) == headers.size() &&
      std::fwrite(rows.data(), 1, rows.size(), out.get()) == rows.size();
  if (!written) throw StepFailure("cannot write " + Narrow(path));
}

// The pixels of a bitmap as bottom-up 24-bit rows.
std::vector<std::uint8_t> Rows(HDC dc, HBITMAP bitmap, int width, int height) {
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof(info.bmiHeader);
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = height;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = kBitsPerPixel;
  info.bmiHeader.biCompression = BI_RGB;
  std::vector<std::uint8_t> rows(static_cast<std::size_t>(bmp::RowStride(width, kBitsPerPixel)) *
                                 static_cast<std::size_t>(height));
  if (GetDIBits(dc, bitmap, 0, static_cast<UINT>(height), rows.data(), &info, DIB_RGB_COLORS) !=
      height) {
    ThrowLastError("GetDIBits");
  }
  return rows;
}

// Asks the window to paint everything now, and waits a bounded time for it to have done so.
void Repaint(HWND window) {
  RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
  DWORD_PTR ignored = 0;
  for (int attempt = 0; attempt < 100; ++attempt) {
    // A sent message is answered only once the target's queue is being served, and paint comes
    // right after; a window without an update region is done.
    SendMessageTimeoutW(window, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, 2000, &ignored);
    if (!GetUpdateRect(window, nullptr, FALSE)) break;
    Sleep(20);
  }
  Sleep(100);
}

}  // namespace

void SaveFromDc(HDC source, int x, int y, int width, int height, const std::wstring& path) {
  if (width <= 0 || height <= 0) throw StepFailure("nothing to capture: the area is empty");
  const UniqueMemoryDc memory(CreateCompatibleDC(source));
  if (!memory) ThrowLastError("CreateCompatibleDC");
  const UniqueBitmap bitmap(CreateCompatibleBitmap(source, width, height));
  if (!bitmap) ThrowLastError("CreateCompatibleBitmap");
  {
    const SelectedObject selected(memory.get(), bitmap.get());
    if (!BitBlt(memory.get(), 0, 0, width, height, source, x, y, SRCCOPY)) ThrowLastError("BitBlt");
  }
  WriteBmp(path, width, height, Rows(memory.get(), bitmap.get(), width, height));
}

void CaptureClient(HWND window, CaptureSource source, const std::wstring& path) {
  Repaint(window);
  RECT client{};
  if (!GetClientRect(window, &client)) ThrowLastError("GetClientRect");
  if (source == CaptureSource::Window) {
    const WindowDc dc(window);
    if (dc.get() == nullptr) ThrowLastError("GetDC");
    SaveFromDc(dc.get(), 0, 0, client.right, client.bottom, path);
    return;
  }
  POINT origin{0, 0};
  ClientToScreen(window, &origin);
  const WindowDc screen(nullptr);
  if (screen.get() == nullptr) ThrowLastError("GetDC");
  SaveFromDc(screen.get(), origin.x, origin.y, client.right, client.bottom, path);
}

}  // namespace brantel::automate
