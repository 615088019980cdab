#include "window/form_win.h"

#include <algorithm>
#include <cmath>

#include "common/check_win.h"
#include "common/utf8_win.h"
#include "window/bitmap_win.h"
#include "window/colour_win.h"
#include "window/panel_win.h"
#include "window/pictures.h"

namespace brantel {
namespace {

std::size_t Slot(ControlName name) {
  return static_cast<std::size_t>(name);
}

UniqueFont MakeFont(const FontDesign& font, int dpiY) {
  const std::wstring face = Widen(font.face);
  const int height = -static_cast<int>(std::lround(font.points * static_cast<float>(dpiY) / 72.0f));
  UniqueFont made(::CreateFontW(height, 0, 0, 0, font.weight, FALSE, FALSE, FALSE,
                                     font.charset, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS,
                                     DEFAULT_QUALITY, DEFAULT_PITCH | FF_DONTCARE, face.c_str()));
  if (!made) ThrowLastError("CreateFont");
  return made;
}

bool IsPicture(ControlName name) {
  return DesignOf(name).kind == ControlKind::PictureBox;
}

std::size_t PictureSlot(ControlName name) {
  return static_cast<std::size_t>(*DesignOf(name).picture);
}

// Which designed control a child window is, from its identifier.
const ControlDesign* DesignOfChild(HWND child) {
  const int id = ::GetDlgCtrlID(child);
  const int slot = id / 100 - 1;
  if (slot < 0 || slot >= static_cast<int>(FrmMainControls().size())) return nullptr;
  return &FrmMainControls()[static_cast<std::size_t>(slot)];
}

}  // namespace

FrmMainWindow::FrmMainWindow(HINSTANCE instance) : instance_(instance) {
  {
    const WindowDc screen(nullptr);
    if (screen.get() == nullptr) ThrowLastError("GetDC");
    dpiX_ = ::GetDeviceCaps(screen.get(), LOGPIXELSX);
    dpiY_ = ::GetDeviceCaps(screen.get(), LOGPIXELSY);
  }
  textDc_.reset(::CreateCompatibleDC(nullptr));
  if (!textDc_) ThrowLastError("CreateCompatibleDC");
  windowFont_ = MakeFont(FrmMainDesign().font, dpiY_);
  buttonFont_ = MakeFont(*DesignOf(ControlName::CmdInstall).font, dpiY_);
  const Rgb white = FrmMainDesign().background;
  background_.reset(::CreateSolidBrush(RGB(white.red, white.green, white.blue)));
  if (!background_) ThrowLastError("CreateSolidBrush");
  // Drawn for the display's scale once, here: painting only ever copies pixels, never stretches.
  const int pictureSize = PictureSizeFor(std::min(dpiX_, dpiY_));
  for (std::size_t i = 0; i < pictures_.size(); ++i) {
    pictures_[i] = BitmapFromFile(PictureFile(static_cast<Picture>(i), pictureSize));
    BITMAP bitmap{};
    Check(::GetObjectW(pictures_[i].get(), sizeof bitmap, &bitmap), "GetObject bitmap");
    pictureSizes_[i] = SIZE{bitmap.bmWidth, bitmap.bmHeight};
  }
  RegisterClasses();
  CreateMainWindow();
  CreateDesignedControls();
}

FrmMainWindow::~FrmMainWindow() = default;

void FrmMainWindow::RegisterClasses() {
  const std::wstring className = Widen(FrmMainDesign().className);
  WNDCLASSEXW window{};
  window.cbSize = sizeof window;
  window.lpfnWndProc = WindowProc;
  window.hInstance = instance_;
  window.hIcon = static_cast<HICON>(
      ::LoadImageW(instance_, MAKEINTRESOURCEW(FrmMainDesign().iconResource), IMAGE_ICON,
                   ::GetSystemMetrics(SM_CXICON), ::GetSystemMetrics(SM_CYICON), LR_SHARED));
  window.hIconSm = static_cast<HICON>(
      ::LoadImageW(instance_, MAKEINTRESOURCEW(FrmMainDesign().iconResource), IMAGE_ICON,
                   ::GetSystemMetrics(SM_CXSMICON), ::GetSystemMetrics(SM_CYSMICON), LR_SHARED));
  window.hCursor = ::LoadCursorW(nullptr, IDC_ARROW);
  window.hbrBackground = background_.get();
  window.lpszClassName = className.c_str();
  Check(::RegisterClassExW(&window), "RegisterClassEx");

  RegisterPanelClass(instance_);
}

void FrmMainWindow::CreateMainWindow() {
  constexpr DWORD kStyle = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN;
  RECT frame{0, 0, PixelsX(FrmMainDesign().clientWidth), PixelsY(FrmMainDesign().clientHeight)};
  Check(::AdjustWindowRectEx(&frame, kStyle, FALSE, 0), "AdjustWindowRectEx");
  const int width = frame.right - frame.left;
  const int height = frame.bottom - frame.top;
  const int x = (::GetSystemMetrics(SM_CXSCREEN) - width) / 2;
  const int y = (::GetSystemMetrics(SM_CYSCREEN) - height) / 2;
  const std::wstring className = Widen(FrmMainDesign().className);
  const std::wstring caption = Widen(FrmMainDesign().caption);
  // WindowProc binds the window to this object at WM_NCCREATE.
  const HWND hwnd = ::CreateWindowExW(0, className.c_str(), caption.c_str(), kStyle, x, y, width,
                                      height, nullptr, nullptr, instance_, this);
  if (hwnd == nullptr) ThrowLastError("CreateWindowEx");
  window_.reset(hwnd);
  ::SendMessageW(hwnd, WM_SETFONT, reinterpret_cast<WPARAM>(windowFont_.get()), FALSE);
}

void FrmMainWindow::CreateDesignedControls() {
  for (const ControlDesign& design : FrmMainControls()) {
    Element element{nullptr, design.left, design.top, design.width, design.height, design.visible};
    // The panel paints its line and the window its pictures; the rest are windows.
    if (design.kind != ControlKind::Line && design.kind != ControlKind::PictureBox) {
      element.hwnd = CreateControl(design, design.index, element, design.visible);
    }
    elements_[Slot(design.name)].push_back(element);
  }
  // Windows moves the keyboard focus in the order of the windows, so order them by tab index.
  std::vector<const ControlDesign*> byTab;
  for (const ControlDesign& design : FrmMainControls()) {
    if (design.tabIndex && At(design.name, 0).hwnd != nullptr) byTab.push_back(&design);
  }
  std::stable_sort(byTab.begin(), byTab.end(),
                   [](const auto* a, const auto* b) { return *a->tabIndex < *b->tabIndex; });
  for (const ControlDesign* design : byTab) {
    Check(::SetWindowPos(At(design->name, 0).hwnd, HWND_BOTTOM, 0, 0, 0, 0,
                         SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE),
          "SetWindowPos");
  }
}

HWND FrmMainWindow::CreateControl(const ControlDesign& design, std::int16_t index,
                                  const Element& place, bool visible) {
  const HWND parent = design.container ? At(*design.container, 0).hwnd : window_.get();
  const wchar_t* windowClass = L"Static";
  DWORD style = WS_CHILD | (visible ? WS_VISIBLE : 0);
  DWORD exStyle = 0;
  switch (design.kind) {
    case ControlKind::Panel:
      windowClass = kPanelClass;
      style |= WS_CLIPCHILDREN;
      exStyle |= WS_EX_CONTROLPARENT;
      break;
    case ControlKind::CommandButton:
      windowClass = L"Button";
      style |= BS_PUSHBUTTON | WS_TABSTOP;
      break;
    case ControlKind::Label:
      style |= SS_NOPREFIX | (design.align == TextAlign::Right ? SS_RIGHT : SS_LEFT);
      break;
    case ControlKind::Line:
    case ControlKind::PictureBox:
      throw Error(ERROR_INVALID_PARAMETER, "painted by its container, not a window");
  }
  const std::wstring text = Widen(design.text);
  const HWND hwnd = ::CreateWindowExW(
      exStyle, windowClass, text.c_str(), style, PixelsX(place.left), PixelsY(place.top),
      PixelsX(place.width), PixelsY(place.height), parent,
      reinterpret_cast<HMENU>(static_cast<INT_PTR>(ControlId(design.name, index))), instance_,
      nullptr);
  if (hwnd == nullptr) ThrowLastError("CreateWindowEx");
  if (design.kind == ControlKind::CommandButton || design.kind == ControlKind::Label) {
    ::SendMessageW(hwnd, WM_SETFONT, reinterpret_cast<WPARAM>(FontFor(design)), FALSE);
  }
  return hwnd;
}

HFONT FrmMainWindow::FontFor(const ControlDesign& design) const {
  return design.font ? buttonFont_.get() : windowFont_.get();
}

FrmMainWindow::Element& FrmMainWindow::At(ControlName array, ComponentIndex index) {
  auto& elements = elements_[Slot(array)];
  if (index < 0 || static_cast<std::size_t>(index) >= elements.size()) {
    throw Error(ERROR_INVALID_INDEX, "no such control element");
  }
  return elements[static_cast<std::size_t>(index)];
}

RECT FrmMainWindow::PixelRect(const Element& element) const {
  const int left = PixelsX(element.left);
  const int top = PixelsY(element.top);
  return RECT{left, top, left + PixelsX(element.width), top + PixelsY(element.height)};
}

Twips FrmMainWindow::Left(ControlName array, ComponentIndex index) {
  return At(array, index).left;
}

Twips FrmMainWindow::Top(ControlName array, ComponentIndex index) {
  return At(array, index).top;
}

// A picture is drawn at its natural size, centred on its element's place. At 100, 125, 150 and
// 200 % the two are the same size; between those scales the picture is the smaller one.
RECT FrmMainWindow::PictureRect(ControlName array, const Element& element) const {
  const SIZE size = pictureSizes_[PictureSlot(array)];
  const RECT place = PixelRect(element);
  const int left = place.left + (place.right - place.left - size.cx) / 2;
  const int top = place.top + (place.bottom - place.top - size.cy) / 2;
  return RECT{left, top, left + size.cx, top + size.cy};
}

// Marks a picture's pixels for the next paint, which erases them to the window's white first.
// Nothing is painted here: a row's hides and shows are painted together, once.
void FrmMainWindow::InvalidatePicture(ControlName array, const Element& element) const {
  const RECT rect = PictureRect(array, element);
  ::InvalidateRect(window_.get(), &rect, TRUE);
}

void FrmMainWindow::PaintPictures(HDC dc, const RECT& dirty) const {
  const UniqueMemoryDc memory(::CreateCompatibleDC(dc));
  // Painting cannot fail the program: what is not drawn now is drawn at the next paint.
  if (!memory) return;
  for (const ControlDesign& design : FrmMainControls()) {
    if (design.kind != ControlKind::PictureBox) continue;
    const SelectedObject bitmap(memory.get(), pictures_[PictureSlot(design.name)].get());
    for (const Element& element : elements_[Slot(design.name)]) {
      RECT rect = PictureRect(design.name, element);
      RECT overlap{};
      if (!element.visible || !::IntersectRect(&overlap, &rect, &dirty)) continue;
      ::BitBlt(dc, rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top,
               memory.get(), 0, 0, SRCCOPY);
    }
  }
}

void FrmMainWindow::Move(ControlName array, ComponentIndex index, Twips left, Twips top) {
  Element& element = At(array, index);
  if (element.hwnd == nullptr) {
    if (element.visible) InvalidatePicture(array, element);
    element.left = left;
    element.top = top;
    if (element.visible) InvalidatePicture(array, element);
    return;
  }
  element.left = left;
  element.top = top;
  Check(::SetWindowPos(element.hwnd, nullptr, PixelsX(left), PixelsY(top), 0, 0,
                       SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE),
        "SetWindowPos");
}

void FrmMainWindow::SetVisible(ControlName array, ComponentIndex index, bool visible) {
  Element& element = At(array, index);
  if (element.visible == visible) return;
  element.visible = visible;
  if (element.hwnd == nullptr) {
    InvalidatePicture(array, element);
  } else {
    ::ShowWindow(element.hwnd, visible ? SW_SHOWNA : SW_HIDE);
  }
}

void FrmMainWindow::CreateElement(ControlName array, ComponentIndex index) {
  auto& elements = elements_[Slot(array)];
  if (index < 1 || static_cast<std::size_t>(index) != elements.size()) {
    throw Error(ERROR_INVALID_INDEX, "control element");
  }
  // A copy of element 0 with all it has but its visibility.
  const Element& first = elements.front();
  Element copy = first;
  copy.visible = false;
  if (!IsPicture(array)) copy.hwnd = CreateControl(DesignOf(array), index, first, false);
  elements.push_back(copy);
  if (DesignOf(array).kind == ControlKind::Label) SetText(array, index, Text(array, 0));
}

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
  // Setting the text right after repaints the whole label, so the move redraws nothing itself;
  // only what the label no longer covers goes back to the window.
  const RECT after = PixelRect(element);
  Check(::SetWindowPos(element.hwnd, nullptr, after.left, after.top, after.right - after.left,
                       after.bottom - after.top, SWP_NOZORDER | SWP_NOACTIVATE | SWP_NOREDRAW),
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
  RethrowPendingError();
}

void FrmMainWindow::PaintNow() noexcept {
  // Paints the window and its labels where they are invalid, and handles no input.
  ::RedrawWindow(window_.get(), nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
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
  RethrowPendingError();
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

void FrmMainWindow::RethrowPendingError() {
  if (pendingError_) std::rethrow_exception(std::exchange(pendingError_, nullptr));
}

LRESULT CALLBACK FrmMainWindow::WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_NCCREATE) {
    const auto* create = reinterpret_cast<const CREATESTRUCTW*>(lParam);
    ::SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
  }
  auto* self = reinterpret_cast<FrmMainWindow*>(::GetWindowLongPtrW(hwnd, GWLP_USERDATA));
  if (self == nullptr) return ::DefWindowProcW(hwnd, message, wParam, lParam);
  // No exception may unwind through the system's frames: keep it for the message loop.
  try {
    return self->HandleMessage(hwnd, message, wParam, lParam);
  } catch (...) {
    self->pendingError_ = std::current_exception();
    ::PostQuitMessage(1);
    return 0;
  }
}

LRESULT FrmMainWindow::HandleMessage(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_COMMAND:
      if (LOWORD(wParam) == ControlId(ControlName::CmdInstall) && HIWORD(wParam) == BN_CLICKED &&
          onInstallClick_) {
        onInstallClick_();
        return 0;
      }
      if (LOWORD(wParam) == IDOK && lParam == 0) {
        PressFocusedButton();
        return 0;
      }
      break;
    case WM_SETFOCUS: {
      // The button is the one control that takes the focus; it gets it back whenever the window
      // does, after a message box as after another program, so the keyboard keeps working.
      const auto& button = elements_[Slot(ControlName::CmdInstall)];
      if (!button.empty()) ::SetFocus(button.front().hwnd);
      return 0;
    }
    case WM_CTLCOLORSTATIC: {
      // Labels lie on the white window and show only their text.
      const auto dc = reinterpret_cast<HDC>(wParam);
      const ControlDesign* design = DesignOfChild(reinterpret_cast<HWND>(lParam));
      if (design != nullptr && design->foreColour) {
        ::SetTextColor(dc, ColourRef(*design->foreColour));
      }
      const Rgb white = FrmMainDesign().background;
      ::SetBkColor(dc, RGB(white.red, white.green, white.blue));
      return reinterpret_cast<LRESULT>(background_.get());
    }
    case WM_PAINT: {
      PAINTSTRUCT paint;
      const HDC dc = ::BeginPaint(hwnd, &paint);
      if (dc != nullptr) {
        PaintPictures(dc, paint.rcPaint);
        ::EndPaint(hwnd, &paint);
      }
      return 0;
    }
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
