#include "font_probe_win.h"

#include <windows.h>

#include <cstdio>

#include "capture_win.h"
#include "common/check_win.h"
#include "common/utf8_win.h"
#include "failure.h"
#include "report_line.h"
#include "common/unique_handle_win.h"

namespace brantel::automate {
namespace {

UniqueFont MakeFont(const FontRequest& request) {
  UniqueFont font(CreateFontW(request.height, 0, 0, 0, request.weight, FALSE, FALSE, FALSE,
                              static_cast<DWORD>(request.charset), OUT_DEFAULT_PRECIS,
                              CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                              static_cast<DWORD>(request.pitchAndFamily), request.face.c_str()));
  if (!font) ThrowLastError("CreateFontW");
  return font;
}

}  // namespace

void ProbeFont(const FontRequest& request, const std::wstring& text) {
  const UniqueFont font = MakeFont(request);
  const WindowDc screen(nullptr);
  const SelectedObject selected(screen.get(), font.get());
  wchar_t chosen[LF_FACESIZE] = {};
  GetTextFaceW(screen.get(), LF_FACESIZE, chosen);
  TEXTMETRICW metrics{};
  GetTextMetricsW(screen.get(), &metrics);
  SIZE extent{};
  if (!GetTextExtentPoint32W(screen.get(), text.c_str(), static_cast<int>(text.size()), &extent)) {
    ThrowLastError("GetTextExtentPoint32W");
  }
  // TMPF_FIXED_PITCH set means the font is NOT fixed-pitch (the name is historical).
  std::printf(
      "font requested=%s pitch-family=%d chosen=%s charset=%d fixed=%d width=%ld height=%ld "
      "average=%ld maximum=%ld characters=%zu dpi=%d\n",
      Quoted(request.face).c_str(), request.pitchAndFamily,
      Quoted(std::wstring_view(chosen)).c_str(), metrics.tmCharSet,
      (metrics.tmPitchAndFamily & TMPF_FIXED_PITCH) ? 0 : 1, extent.cx, extent.cy,
      metrics.tmAveCharWidth, metrics.tmMaxCharWidth, text.size(),
      GetDeviceCaps(screen.get(), LOGPIXELSY));
}

void SaveTextSample(const TextSample& sample, const std::wstring& path) {
  const UniqueFont font = MakeFont(sample.font);
  const WindowDc screen(nullptr);
  const UniqueMemoryDc memory(CreateCompatibleDC(screen.get()));
  if (!memory) ThrowLastError("CreateCompatibleDC");
  const SelectedObject selectedFont(memory.get(), font.get());
  const int length = static_cast<int>(sample.text.size());
  SIZE extent{};
  if (!GetTextExtentPoint32W(memory.get(), sample.text.c_str(), length, &extent)) {
    ThrowLastError("GetTextExtentPoint32W");
  }
  const UniqueBitmap bitmap(CreateCompatibleBitmap(screen.get(), extent.cx, extent.cy));
  if (!bitmap) ThrowLastError("CreateCompatibleBitmap");
  const SelectedObject selectedBitmap(memory.get(), bitmap.get());
  SetTextColor(memory.get(), sample.colour);
  SetBkColor(memory.get(), sample.background);
  SetBkMode(memory.get(), OPAQUE);
  if (!TextOutW(memory.get(), 0, 0, sample.text.c_str(), length)) ThrowLastError("TextOutW");
  SaveFromDc(memory.get(), 0, 0, extent.cx, extent.cy, path);
}

}  // namespace brantel::automate
