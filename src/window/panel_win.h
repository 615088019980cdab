#pragma once

#include <windows.h>

namespace brantel {

// The window class of Pnl1: a plain area in the button-face colour that holds CmdInstall,
// hands the button's click on to the window, and draws the lines that the design puts on it. A
// panel is created with the window's MessageGuard as its creation parameter.
inline constexpr wchar_t kPanelClass[] = L"BrantelPanel";

void RegisterPanelClass(HINSTANCE instance);

}  // namespace brantel
