// The texts of the window and its labels and button; a label takes the size of its text.

#include <string>

#include "common/check_win.h"
#include "common/utf8_win.h"
#include "window/form_win.h"

namespace brantel {

std::string FrmMainWindow::Text(ControlName name, ComponentIndex index) {
  const HWND hwnd = At(name, index).hwnd;
  ::SetLastError(ERROR_SUCCESS);
  const int length = ::GetWindowTextLengthW(hwnd);
  if (length == 0) {
    if (::GetLastError() != ERROR_SUCCESS) ThrowLastError("GetWindowTextLength");
    return {};
  }
  std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
  const int copied = ::GetWindowTextW(hwnd, text.data(), length + 1);
  text.resize(static_cast<std::size_t>(copied));
  return Narrow(text);
}

void FrmMainWindow::SetText(ControlName name, ComponentIndex index, std::string_view text) {
  const std::wstring wide = Widen(text);
  Element& element = At(name, index);
  // A label takes its new size first, so that it draws its new text once, at that size.
  if (DesignOf(name).kind == ControlKind::Label) FitLabel(name, element, wide);
  Check(::SetWindowTextW(element.hwnd, wide.c_str()), "SetWindowText");
}

void FrmMainWindow::FitLabel(ControlName name, Element& element, const std::wstring& text) {
  SIZE extent{};
  {
    const SelectedObject font(textDc_.get(), FontFor(DesignOf(name)));
    Check(::GetTextExtentPoint32W(textDc_.get(), text.c_str(), static_cast<int>(text.size()),
                                  &extent),
          "GetTextExtentPoint32");
  }
  // The label grows away from its anchored edge: the left one, or the right one when its text is
  // right-aligned.
  const RECT before = PixelRect(element);
  const Twips width = static_cast<Twips>(extent.cx) * 1440.0f / static_cast<Twips>(dpiX_);
  if (DesignOf(name).align == TextAlign::Right) element.left += element.width - width;
  element.width = width;
  // Setting the text right after repaints the whole label, so the move redraws nothing itself,
  // keeps none of the old pixels and erases nothing now; only what the label no longer covers
  // goes back to the window, for its next paint. Under Wine each of these skipped steps is a
  // round of calls that costs more than the text itself.
  const RECT after = PixelRect(element);
  Check(::SetWindowPos(element.hwnd, nullptr, after.left, after.top, after.right - after.left,
                       after.bottom - after.top,
                       SWP_NOZORDER | SWP_NOACTIVATE | SWP_NOREDRAW | SWP_NOCOPYBITS |
                           SWP_DEFERERASE | SWP_NOSENDCHANGING),
        "SetWindowPos label");
  RECT both{};
  ::UnionRect(&both, &before, &after);
  if (!::EqualRect(&both, &after)) ::InvalidateRect(window_.get(), &before, TRUE);
}

std::string FrmMainWindow::LabelText(ComponentIndex index) {
  return Text(ControlName::lblCom, index);
}

void FrmMainWindow::SetLabelText(ComponentIndex index, std::string_view text) {
  SetText(ControlName::lblCom, index, text);
}

std::string FrmMainWindow::ButtonCaption() {
  return Text(ControlName::CmdInstall, 0);
}

void FrmMainWindow::SetButtonCaption(std::string_view caption) {
  SetText(ControlName::CmdInstall, 0, caption);
}

void FrmMainWindow::SetWindowCaption(std::string_view caption) {
  const std::wstring wide = Widen(caption);
  Check(::SetWindowTextW(window_.get(), wide.c_str()), "SetWindowText");
}

void FrmMainWindow::SetAboutCaption(std::string_view caption) {
  SetText(ControlName::lblAbout, 0, caption);
}

}  // namespace brantel
