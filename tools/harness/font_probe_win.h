#pragma once

#include <string>

namespace brantel::automate {

// Creates the font as the window does and reports which face the system chose and how wide the
// text comes out, so the font setup of a Wine prefix can be checked before a window uses it.
void ProbeFont(const std::wstring& face, int height, int charset, const std::wstring& text);

struct TextSample {
  std::wstring face;
  int height = 0;
  int weight = 0;
  int charset = 0;
  unsigned long colour = 0;      // COLORREF
  unsigned long background = 0;  // COLORREF
  std::wstring text;
};

// Draws the text as the window's labels and button draw theirs, in a font made as the window
// makes it, at the top-left of an opaque background, and saves it as a 24-bit BMP: the pixels a
// test looks for in a capture of the window.
void SaveTextSample(const TextSample& sample, const std::wstring& path);

}  // namespace brantel::automate
