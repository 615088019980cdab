#pragma once

#include <string>

namespace brantel {

// The system directory (System32, or SysWOW64 for a 32-bit program on 64-bit Windows through
// the file system redirector), without a trailing backslash.
std::wstring SystemDirectory();

}  // namespace brantel
