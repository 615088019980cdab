// The status pictures, which the window paints itself: where each element stands, what a change
// invalidates, and the paint.

#include "window/form_win.h"

namespace brantel {

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
// Nothing is painted here: a row's hides and shows are painted together, once. A row's pictures
// share one place, so a change of its state marks that place once.
void FrmMainWindow::InvalidatePicture(ControlName array, const Element& element) const {
  const RECT rect = PictureRect(array, element);
  if (::EqualRect(&rect, &invalidPicture_)) return;
  ::InvalidateRect(window_.get(), &rect, TRUE);
  invalidPicture_ = rect;
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

void FrmMainWindow::PaintNow() noexcept {
  // Paints the window and its labels where they are invalid, and handles no input.
  ::RedrawWindow(window_.get(), nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
}

}  // namespace brantel
