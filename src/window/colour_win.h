#pragma once

#include <windows.h>

#include "window/design.h"

namespace brantel {

// A designed colour as Windows takes it: fixed, or the user's current system colour.
inline COLORREF ColourRef(const Colour& colour) {
  if (colour.fixed) return RGB(colour.fixed->red, colour.fixed->green, colour.fixed->blue);
  return ::GetSysColor(colour.system == SystemColour::ButtonFace ? COLOR_BTNFACE
                                                                 : COLOR_WINDOWTEXT);
}

}  // namespace brantel
