#pragma once

#include <string>

namespace brantel::automate {

// Creates the font as the window does and reports which face the system chose and how wide the
// text comes out, so the font setup of a Wine prefix can be checked before a window uses it.
void ProbeFont(const std::wstring& face, int height, int charset, const std::wstring& text);

}  // namespace brantel::automate
