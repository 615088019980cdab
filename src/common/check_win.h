#pragma once

#include <windows.h>

#include <concepts>

#include "common/error.h"

namespace brantel {

// Raises the calling thread's last error, with the caller's file and line. A failed call that left
// no code still fails.
[[noreturn]] inline void ThrowLastError(const char* where, CallSite site = CallSite::Here()) {
  const DWORD code = ::GetLastError();
  throw Error(code != ERROR_SUCCESS ? code : ERROR_GEN_FAILURE, where, site);
}

// For calls that report failure with FALSE, NULL or 0, and set the last error. A plain bool is
// refused: it comes from a comparison made after the call, when the last error may be stale.
template <typename Result>
requires(!std::same_as<Result, bool>) Result
    Check(Result result, const char* where, CallSite site = CallSite::Here()) {
  if (!result) ThrowLastError(where, site);
  return result;
}

}  // namespace brantel
