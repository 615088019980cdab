#pragma once

#include <string>

namespace brantel::automate {

// A font as the window asks for it: pitchAndFamily is CreateFont's pitch-and-family byte, which
// the system weighs when it has no face of the name for the character set.
struct FontRequest {
  std::wstring face;
  int height = 0;
  int weight = 0;
  int charset = 0;
  int pitchAndFamily = 0;
};

// Creates the font as the window does and reports which face the system chose and how wide the
// text comes out, so the font setup of a Wine prefix can be checked before a window uses it.
void ProbeFont(const FontRequest& request, const std::wstring& text);

struct TextSample {
  FontRequest font;
  unsigned long colour = 0;      // COLORREF
  unsigned long background = 0;  // COLORREF
  std::wstring text;
};

// Draws the text as the window's labels and button draw theirs, in a font made as the window
// makes it, at the top-left of an opaque background, and saves it as a 24-bit BMP: the pixels a
// test looks for in a capture of the window.
void SaveTextSample(const TextSample& sample, const std::wstring& path);

}  // namespace brantel::automate
