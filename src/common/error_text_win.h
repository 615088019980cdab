#pragma once

#include <windows.h>

#include <string>
#include <string_view>

namespace brantel {

// The system's text for an error code, without its line break, or empty when it has none or
// cannot say.
std::wstring SystemErrorText(DWORD code) noexcept;

// Sends one line to an attached debugger or a debug-output viewer.
void SendDebugLine(std::wstring_view line) noexcept;

}  // namespace brantel
