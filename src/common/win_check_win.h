#pragma once

#include <windows.h>

#include <string>
#include <string_view>

#include "common/error.h"

namespace brantel {

// Raises the calling thread's last error. A failed call that left no code still fails.
[[noreturn]] inline void ThrowLastError(const char* where) {
  const DWORD code = ::GetLastError();
  throw Error(code != ERROR_SUCCESS ? code : ERROR_GEN_FAILURE, where);
}

// For calls that report failure with FALSE, NULL or 0.
template <typename Result>
Result Check(Result result, const char* where) {
  if (!result) ThrowLastError(where);
  return result;
}

std::wstring Widen(std::string_view text);
std::string Narrow(std::wstring_view text);

// The system directory (System32, or SysWOW64 for a 32-bit program on 64-bit Windows through
// the file system redirector), without a trailing backslash.
std::wstring SystemDirectory();

}  // namespace brantel
