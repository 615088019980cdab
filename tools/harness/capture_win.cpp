#include "capture_win.h"

#include <cstdint>
#include <cstdio>
#include <vector>

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

constexpr int kRowAlignment = 4;

int Stride(int width) {
  return (width * 3 + kRowAlignment - 1) / kRowAlignment * kRowAlignment;
}

void WriteBmp(const std::wstring& path, int width, int height,
              const std::vector<std::uint8_t>& rows) {
  BITMAPINFOHEADER info{};
  info.biSize = sizeof(info);
  info.biWidth = width;
  info.biHeight = height;
  info.biPlanes = 1;
  info.biBitCount = 24;
  info.biCompression = BI_RGB;
  info.biSizeImage = static_cast<DWORD>(rows.size());
  info.biXPelsPerMeter = 3780;
  info.biYPelsPerMeter = 3780;
  BITMAPFILEHEADER file{};
  file.bfType = 0x4D42;  // "BM"
  file.bfOffBits = sizeof(file) + sizeof(info);
  file.bfSize = file.bfOffBits + static_cast<DWORD>(rows.size());
  const UniqueCFile out(_wfopen(path.c_str(), L"wb"));
  if (!out) throw StepFailure("cannot create " + Narrow(path));
  const bool written = std::fwrite(&file, sizeof(file), 1, out.get()) == 1 &&
                       std::fwrite(&info, sizeof(info), 1, out.get()) == 1 &&
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
  info.bmiHeader.biBitCount = 24;
  info.bmiHeader.biCompression = BI_RGB;
  std::vector<std::uint8_t> rows(static_cast<std::size_t>(Stride(width)) * height);
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
