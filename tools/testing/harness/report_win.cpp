#include "report_win.h"

#include <cstdio>
#include <string>

#include "common/check_win.h"
#include "report_line.h"
#include "windows_win.h"

namespace brantel::automate {

using harness::ClassName;
using harness::ControlId;
using harness::Descendants;
using harness::RectInClient;
using harness::TopLevelWindows;
using harness::WindowText;

void ListTopLevel(DWORD processId) {
  for (HWND window : TopLevelWindows(processId)) {
    std::printf("top-level class=%s title=%s\n", Quoted(ClassName(window)).c_str(),
                Quoted(WindowText(window)).c_str());
  }
}

void ListControls(HWND topLevel) {
  for (HWND child : Descendants(topLevel)) {
    const RECT rect = RectInClient(topLevel, child);
    const HWND parent = GetParent(child);
    const LONG style = GetWindowLongW(child, GWL_STYLE);
    std::printf(
        "control id=%d class=%s visible=%d shown=%d x=%ld y=%ld w=%ld h=%ld style=0x%08lx "
        "parent=%d text=%s\n",
        ControlId(child), Quoted(ClassName(child)).c_str(), (style & WS_VISIBLE) ? 1 : 0,
        IsWindowVisible(child) ? 1 : 0, rect.left, rect.top, rect.right - rect.left,
        rect.bottom - rect.top, static_cast<unsigned long>(style),
        parent == topLevel ? 0 : ControlId(parent), Quoted(WindowText(child)).c_str());
  }
}

void DescribeWindow(HWND topLevel) {
  RECT client{};
  RECT frame{};
  Check(GetClientRect(topLevel, &client), "GetClientRect");
  Check(GetWindowRect(topLevel, &frame), "GetWindowRect");
  POINT origin{0, 0};
  ClientToScreen(topLevel, &origin);
  std::printf(
      "window class=%s title=%s style=0x%08lx exstyle=0x%08lx client-w=%ld client-h=%ld "
      "frame-x=%ld frame-y=%ld frame-w=%ld frame-h=%ld client-x=%ld client-y=%ld "
      "screen-w=%d screen-h=%d\n",
      Quoted(ClassName(topLevel)).c_str(), Quoted(WindowText(topLevel)).c_str(),
      static_cast<unsigned long>(GetWindowLongW(topLevel, GWL_STYLE)),
      static_cast<unsigned long>(GetWindowLongW(topLevel, GWL_EXSTYLE)), client.right,
      client.bottom, frame.left, frame.top, frame.right - frame.left, frame.bottom - frame.top,
      origin.x, origin.y, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN));
}

void DescribeMessageBox(HWND box) {
  std::wstring text;
  std::wstring buttons;
  bool icon = false;
  for (HWND child : Descendants(box)) {
    const std::wstring kind = ClassName(child);
    const LONG style = GetWindowLongW(child, GWL_STYLE);
    if (!(style & WS_VISIBLE)) continue;
    if (kind == L"Button") {
      buttons += (buttons.empty() ? L"" : L",") + std::to_wstring(ControlId(child)) + L"=" +
                 WindowText(child);
    } else if (kind == L"Static" && (style & SS_TYPEMASK) == SS_ICON) {
      // The box's template always holds the icon control. Windows hides it when there is no
      // icon; Wine leaves it shown but empty, so ask whether it holds one.
      DWORD_PTR held = 0;
      SendMessageTimeoutW(child, STM_GETICON, 0, 0, SMTO_ABORTIFHUNG, 2000, &held);
      icon = icon || held != 0;
    } else if (kind == L"Static") {
      text += WindowText(child);
    }
  }
  std::printf("msgbox class=%s title=%s text=%s icon=%d buttons=%s\n",
              Quoted(ClassName(box)).c_str(), Quoted(WindowText(box)).c_str(), Quoted(text).c_str(),
              icon ? 1 : 0, Quoted(buttons).c_str());
}

}  // namespace brantel::automate
