#pragma once

#include <windows.h>

#include <array>
#include <functional>
#include <vector>

#include "common/unique_handle_win.h"
#include "window/design.h"
#include "window/form_controls.h"
#include "window/window_proc_win.h"

namespace brantel {

struct ControlWindowArgs;

// A control array's place among the window's element lists, and among the pictures.
inline std::size_t Slot(ControlName name) {
  return static_cast<std::size_t>(name);
}
inline bool IsPicture(ControlName name) {
  return DesignOf(name).kind == ControlKind::PictureBox;
}
inline std::size_t PictureSlot(ControlName name) {
  return static_cast<std::size_t>(*DesignOf(name).picture);
}

// FrmMain as a Win32 window: created hidden from the design table, then driven through the
// operations of FormControls. The window owns every control it ever creates until it closes.
// Labels, the panel and the button are child windows; the status pictures are not: the window
// keeps each picture element's place and visibility and paints the visible ones itself, so a
// change to a row costs an invalidated rectangle rather than a window of its own.
class FrmMainWindow : public FormControls {
 public:
  explicit FrmMainWindow(HINSTANCE instance);
  FrmMainWindow(const FrmMainWindow&) = delete;
  FrmMainWindow& operator=(const FrmMainWindow&) = delete;
  ~FrmMainWindow() override;

  HWND handle() const noexcept { return window_.get(); }
  // Whom a click on CmdInstall goes to: the window only delivers it.
  void SetClickHandler(std::function<void()> handler) { clickHandler_ = std::move(handler); }
  void Show();
  // Serves the window until it closes; returns the program's exit code. An error that escaped
  // a handler ends the loop and is raised here.
  int RunMessageLoop();

  Twips Left(ControlName array, ComponentIndex index) override;
  Twips Top(ControlName array, ComponentIndex index) override;
  void Move(ControlName array, ComponentIndex index, Twips left, Twips top) override;
  void SetVisible(ControlName array, ComponentIndex index, bool visible) override;
  void CreateElement(ControlName array, ComponentIndex index) override;
  std::string LabelText(ComponentIndex index) override;
  void SetLabelText(ComponentIndex index, std::string_view text) override;
  void ProcessPendingEvents() override;
  std::string ButtonCaption() override;
  void SetButtonCaption(std::string_view caption) override;
  void SetWindowCaption(std::string_view caption) override;
  void SetAboutCaption(std::string_view caption) override;
  void PaintNow() noexcept override;

 private:
  struct Element {
    HWND hwnd = nullptr;  // owned by the window: destroyed with it; none for a picture
    Twips left = 0, top = 0, width = 0, height = 0;
    bool visible = false;
  };

  static LRESULT CALLBACK WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
  LRESULT HandleMessage(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
  bool HandleCommand(WPARAM wParam, LPARAM lParam);
  LRESULT ColourStatic(HDC dc, HWND control) const;
  void Paint(HWND hwnd) const;
  void RegisterClasses();
  void CreateMainWindow();
  void CreateDesignedControls();
  ControlWindowArgs ArgsFor(const ControlDesign& design, std::int16_t index, const Element& place);
  HWND CreateControl(const ControlDesign& design, std::int16_t index, const Element& place);
  Element& At(ControlName array, ComponentIndex index);
  RECT PixelRect(const Element& element) const;
  RECT PictureRect(ControlName array, const Element& element) const;
  void InvalidatePicture(ControlName array, const Element& element) const;
  void PaintPictures(HDC dc, const RECT& dirty) const;
  void SetText(ControlName name, ComponentIndex index, std::string_view text);
  std::string Text(ControlName name, ComponentIndex index);
  void FitLabel(ControlName name, Element& element, const std::wstring& text);
  HFONT FontFor(const ControlDesign& design) const;
  int PixelsX(Twips twips) const { return TwipsToPixels(twips, dpiX_); }
  int PixelsY(Twips twips) const { return TwipsToPixels(twips, dpiY_); }
  void PressFocusedButton();

  HINSTANCE instance_;
  int dpiX_ = 96, dpiY_ = 96;
  UniqueMemoryDc textDc_;  // where label texts are measured, without a window's DC
  // The picture place last marked for the next paint; marking it again before that paint only
  // costs a call to the window manager. Empty once painted.
  mutable RECT invalidPicture_{};
  UniqueFont windowFont_;
  UniqueFont buttonFont_;
  UniqueBrush background_;
  std::array<UniqueBitmap, kPictureCount> pictures_;  // indexed by Picture
  std::array<SIZE, kPictureCount> pictureSizes_{};    // in pixels, indexed by Picture
  // Indexed by ControlName, then element.
  std::array<std::vector<Element>, kControlCount> elements_;
  std::function<void()> clickHandler_;
  MessageGuard guard_;   // for the panel too: it outlives every window
  UniqueWindow window_;  // last, so it is destroyed before the fonts and bitmaps it uses
};

}  // namespace brantel
