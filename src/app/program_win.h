#pragma once

#include <windows.h>

namespace brantel {

// Takes DLLs from the system directory only, where Windows can.
void LoadLibrariesFromSystemOnly();

// The program's life: the common controls, the window from its design, its load, and its events
// until it closes. A failure that nothing handled is reported to the user, who must answer the
// report before the program ends. Returns the program's exit code.
int RunProgram(HINSTANCE instance);

}  // namespace brantel
