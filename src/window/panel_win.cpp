#include "window/panel_win.h"

#include "common/unique_handle_win.h"
#include "common/check_win.h"
#include "window/colour_win.h"
#include "window/design.h"
#include "window/window_proc_win.h"

namespace brantel {
namespace {

void PaintLines(HWND panel) {
  PAINTSTRUCT paint;
  const HDC dc = ::BeginPaint(panel, &paint);
  const int dpiX = ::GetDeviceCaps(dc, LOGPIXELSX);
  const int dpiY = ::GetDeviceCaps(dc, LOGPIXELSY);
  for (const ControlDesign& line : FrmMainControls()) {
    if (line.kind != ControlKind::Line || line.container != ControlName::Pnl1) continue;
    const UniquePen pen(::CreatePen(PS_SOLID, 1, ColourRef(*line.foreColour)));
    const SelectedObject selected(dc, pen.get());
    ::MoveToEx(dc, TwipsToPixels(line.left, dpiX), TwipsToPixels(line.top, dpiY), nullptr);
    ::LineTo(dc, TwipsToPixels(line.left + line.width, dpiX),
             TwipsToPixels(line.top + line.height, dpiY));
  }
  ::EndPaint(panel, &paint);
}

LRESULT HandleMessage(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_COMMAND:
      // The button lies on the panel; its click belongs to the window.
      return ::SendMessageW(::GetParent(hwnd), message, wParam, lParam);
    case WM_PAINT:
      PaintLines(hwnd);
      return 0;
    default:
      return ::DefWindowProcW(hwnd, message, wParam, lParam);
  }
}

LRESULT CALLBACK PanelProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  auto* guard = BoundObject<MessageGuard>(hwnd, message, lParam);
  if (guard == nullptr) return ::DefWindowProcW(hwnd, message, wParam, lParam);
  return guard->Run([&] { return HandleMessage(hwnd, message, wParam, lParam); });
}

}  // namespace

void RegisterPanelClass(HINSTANCE instance) {
  WNDCLASSEXW panel{};
  panel.cbSize = sizeof panel;
  panel.lpfnWndProc = PanelProc;
  panel.hInstance = instance;
  panel.hCursor = ::LoadCursorW(nullptr, IDC_ARROW);
  panel.hbrBackground = reinterpret_cast<HBRUSH>(static_cast<INT_PTR>(COLOR_BTNFACE + 1));
  panel.lpszClassName = kPanelClass;
  Check(::RegisterClassExW(&panel), "RegisterClassEx");
}

}  // namespace brantel
