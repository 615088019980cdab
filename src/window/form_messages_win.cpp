// The window's messages: the loop, the handlers, and the errors they keep for the loop.

#include <optional>

#include "common/check_win.h"
#include "window/colour_win.h"
#include "window/form_win.h"

namespace brantel {
namespace {

// Which designed control a child window is, from its identifier.
const ControlDesign* DesignOfChild(HWND child) {
  const std::optional<ControlName> name = ControlOfId(::GetDlgCtrlID(child));
  return name ? &DesignOf(*name) : nullptr;
}

}  // namespace

void FrmMainWindow::ProcessPendingEvents() {
  MSG message;
  while (::PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
    if (message.message == WM_QUIT) {
      ::PostQuitMessage(static_cast<int>(message.wParam));  // leave it for the main loop
      break;
    }
    ::TranslateMessage(&message);
    ::DispatchMessageW(&message);
  }
  guard_.RethrowPending();
}

void FrmMainWindow::Show() {
  ::ShowWindow(window_.get(), SW_SHOWNORMAL);
  Check(::UpdateWindow(window_.get()), "UpdateWindow");
  ::SetFocus(At(ControlName::CmdInstall, 0).hwnd);
}

int FrmMainWindow::RunMessageLoop() {
  MSG message;
  for (;;) {
    const BOOL got = ::GetMessageW(&message, nullptr, 0, 0);
    if (got == -1) ThrowLastError("GetMessage");
    if (got == 0) break;
    if (window_ && ::IsDialogMessageW(window_.get(), &message)) continue;
    ::TranslateMessage(&message);
    ::DispatchMessageW(&message);
  }
  guard_.RethrowPending();
  return static_cast<int>(message.wParam);
}

// Enter, as the dialog manager passes it on when no button is the default one: it presses the
// focused push button, as Space does, without making that button the default.
void FrmMainWindow::PressFocusedButton() {
  const HWND focus = ::GetFocus();
  if (focus == nullptr || !::IsChild(window_.get(), focus)) return;
  if (::SendMessageW(focus, WM_GETDLGCODE, 0, 0) & DLGC_UNDEFPUSHBUTTON) {
    ::SendMessageW(focus, BM_CLICK, 0, 0);
  }
}

LRESULT CALLBACK FrmMainWindow::WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  auto* self = BoundObject<FrmMainWindow>(hwnd, message, lParam);
  if (self == nullptr) return ::DefWindowProcW(hwnd, message, wParam, lParam);
  return self->guard_.Run([&] { return self->HandleMessage(hwnd, message, wParam, lParam); });
}

// The click on CmdInstall, and Enter, which the dialog manager passes on as IDOK when no button is
// the default one. Says whether the command was the window's.
bool FrmMainWindow::HandleCommand(WPARAM wParam, LPARAM lParam) {
  if (LOWORD(wParam) == ControlId(ControlName::CmdInstall) && HIWORD(wParam) == BN_CLICKED &&
      clickHandler_) {
    clickHandler_();
    return true;
  }
  if (LOWORD(wParam) == IDOK && lParam == 0) {
    PressFocusedButton();
    return true;
  }
  return false;
}

// Labels lie on the white window and show only their text, in their designed colour.
LRESULT FrmMainWindow::ColourStatic(HDC dc, HWND control) const {
  const ControlDesign* design = DesignOfChild(control);
  if (design != nullptr && design->foreColour) ::SetTextColor(dc, ColourRef(*design->foreColour));
  const Rgb white = FrmMainDesign().background;
  ::SetBkColor(dc, RGB(white.red, white.green, white.blue));
  return reinterpret_cast<LRESULT>(background_.get());
}

void FrmMainWindow::Paint(HWND hwnd) const {
  PAINTSTRUCT paint;
  const HDC dc = ::BeginPaint(hwnd, &paint);
  invalidPicture_ = RECT{};  // what was marked is painted now, or must be marked again
  if (dc == nullptr) return;
  PaintPictures(dc, paint.rcPaint);
  ::EndPaint(hwnd, &paint);
}

LRESULT FrmMainWindow::HandleMessage(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_COMMAND:
      if (HandleCommand(wParam, lParam)) return 0;
      break;
    case WM_SETFOCUS: {
      // The button is the one control that takes the focus; it gets it back whenever the window
      // does, after a message box as after another program, so the keyboard keeps working.
      const auto& button = elements_[Slot(ControlName::CmdInstall)];
      if (!button.empty()) ::SetFocus(button.front().hwnd);
      return 0;
    }
    case WM_CTLCOLORSTATIC:
      return ColourStatic(reinterpret_cast<HDC>(wParam), reinterpret_cast<HWND>(lParam));
    case WM_PAINT:
      Paint(hwnd);
      return 0;
    case WM_DESTROY:
      ::PostQuitMessage(0);
      return 0;
    case WM_NCDESTROY:
      window_.release();  // the system has destroyed it
      break;
    default:
      break;
  }
  return ::DefWindowProcW(hwnd, message, wParam, lParam);
}

}  // namespace brantel
