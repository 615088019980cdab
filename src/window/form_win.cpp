#include "window/form_win.h"

#include <algorithm>
#include <cmath>

#include "common/check_win.h"
#include "common/utf8_win.h"
#include "window/bitmap_win.h"
#include "window/pictures.h"

namespace brantel {
namespace {

static_assert(static_cast<int>(FontPitch::Fixed) == FIXED_PITCH &&
              static_cast<int>(FontPitch::Variable) == VARIABLE_PITCH);
static_assert(static_cast<int>(FontFamily::Swiss) == FF_SWISS &&
              static_cast<int>(FontFamily::Modern) == FF_MODERN);

UniqueFont MakeFont(const FontDesign& font, int dpiY) {
  const std::wstring face = Widen(font.face);
  const int height = -static_cast<int>(std::lround(font.points * static_cast<float>(dpiY) / 72.0f));
  UniqueFont made(::CreateFontW(height, 0, 0, 0, font.weight, FALSE, FALSE, FALSE, font.charset,
                                OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                                static_cast<DWORD>(font.pitch) | static_cast<DWORD>(font.family),
                                face.c_str()));
  if (!made) ThrowLastError("CreateFont");
  return made;
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
  if (!IsPicture(array)) copy.hwnd = CreateControl(DesignOf(array), index, copy);
  elements.push_back(copy);
  if (DesignOf(array).kind == ControlKind::Label) SetText(array, index, Text(array, 0));
}

}  // namespace brantel
