#include "font_probe_win.h"

#include <windows.h>

#include <cstdio>

#include "failure.h"
#include "text_win.h"
#include "common/unique_handle_win.h"

namespace brantel::automate {

void ProbeFont(const std::wstring& face, int height, int charset, const std::wstring& text) {
  const UniqueGdiObject font(CreateFontW(height, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE,
                                         static_cast<DWORD>(charset), OUT_DEFAULT_PRECIS,
                                         CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                                         DEFAULT_PITCH | FF_DONTCARE, face.c_str()));
  if (!font) FailWithLastError("CreateFontW");
  const WindowDc screen(nullptr);
  const SelectedObject selected(screen.get(), font.get());
  wchar_t chosen[LF_FACESIZE] = {};
  GetTextFaceW(screen.get(), LF_FACESIZE, chosen);
  TEXTMETRICW metrics{};
  GetTextMetricsW(screen.get(), &metrics);
  SIZE extent{};
  if (!GetTextExtentPoint32W(screen.get(), text.c_str(), static_cast<int>(text.size()), &extent)) {
    FailWithLastError("GetTextExtentPoint32W");
  }
  // TMPF_FIXED_PITCH set means the font is NOT fixed-pitch (the name is historical).
  std::printf(
      "font requested=%s chosen=%s charset=%d fixed=%d width=%ld height=%ld "
      "average=%ld maximum=%ld characters=%zu dpi=%d\n",
      Quoted(face).c_str(), Quoted(chosen).c_str(), metrics.tmCharSet,
      (metrics.tmPitchAndFamily & TMPF_FIXED_PITCH) ? 0 : 1, extent.cx, extent.cy,
      metrics.tmAveCharWidth, metrics.tmMaxCharWidth, text.size(),
      GetDeviceCaps(screen.get(), LOGPIXELSY));
}

}  // namespace brantel::automate
