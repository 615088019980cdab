// Creating the window from its design: the window classes, the window itself, and one child
// window for every designed control that is a window.

#include <algorithm>
#include <string>

#include "common/check_win.h"
#include "common/utf8_win.h"
#include "window/form_win.h"
#include "window/panel_win.h"

namespace brantel {

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
      element.hwnd = CreateControl(design, design.index, element);
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

// What a control of each kind is as a window. Lines and pictures are no windows: their
// containers paint them.
struct WindowKind {
  ControlKind kind;
  const wchar_t* windowClass;
  DWORD style;
  DWORD exStyle;
  bool takesFont;
};

constexpr WindowKind kWindowKinds[] = {
    {ControlKind::Panel, kPanelClass, WS_CLIPCHILDREN, WS_EX_CONTROLPARENT, false},
    {ControlKind::CommandButton, L"Button", BS_PUSHBUTTON | WS_TABSTOP, 0, true},
    {ControlKind::Label, L"Static", SS_NOPREFIX, 0, true},
};

const WindowKind& KindOf(const ControlDesign& design) {
  for (const WindowKind& kind : kWindowKinds) {
    if (kind.kind == design.kind) return kind;
  }
  throw Error(ERROR_INVALID_PARAMETER, "painted by its container, not a window");
}

// Everything CreateWindowEx needs for one element of a designed control, from the design.
struct ControlWindowArgs {
  const WindowKind& kind;
  std::wstring text;
  DWORD style;
  RECT rect;
  HWND parent;
  int id;
};

ControlWindowArgs FrmMainWindow::ArgsFor(const ControlDesign& design, std::int16_t index,
                                         const Element& place) {
  const WindowKind& kind = KindOf(design);
  DWORD style = WS_CHILD | kind.style | (place.visible ? WS_VISIBLE : 0);
  if (design.kind == ControlKind::Label)
    style |= design.align == TextAlign::Right ? SS_RIGHT : SS_LEFT;
  return {kind,
          Widen(design.text),
          style,
          PixelRect(place),
          design.container ? At(*design.container, 0).hwnd : window_.get(),
          ControlId(design.name, index)};
}

HWND FrmMainWindow::CreateControl(const ControlDesign& design, std::int16_t index,
                                  const Element& place) {
  const ControlWindowArgs args = ArgsFor(design, index, place);
  // The panel runs its handlers in the window's guard; the system's own classes ignore it.
  const HWND hwnd = ::CreateWindowExW(
      args.kind.exStyle, args.kind.windowClass, args.text.c_str(), args.style, args.rect.left,
      args.rect.top, args.rect.right - args.rect.left, args.rect.bottom - args.rect.top,
      args.parent, reinterpret_cast<HMENU>(static_cast<INT_PTR>(args.id)), instance_, &guard_);
  if (hwnd == nullptr) ThrowLastError("CreateWindowEx");
  if (args.kind.takesFont) {
    ::SendMessageW(hwnd, WM_SETFONT, reinterpret_cast<WPARAM>(FontFor(design)), FALSE);
  }
  return hwnd;
}

}  // namespace brantel
