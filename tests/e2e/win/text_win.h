#pragma once

#include <windows.h>

#include <string>
#include <string_view>

namespace brantel::automate {

std::string ToUtf8(std::wstring_view text);
std::wstring ToWide(std::string_view text);

// A value for a report line, in double quotes, with '"' and '\' escaped so that a POSIX shell
// word splitter (Python's shlex) reads it back unchanged.
std::string Quoted(std::wstring_view text);

// Throws a StepFailure naming the call and the system's last error code.
[[noreturn]] void FailWithLastError(const char* call);

std::wstring WindowText(HWND window);
std::wstring ClassName(HWND window);

}  // namespace brantel::automate
