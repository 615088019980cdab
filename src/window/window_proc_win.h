#pragma once

#include <windows.h>

#include <exception>
#include <utility>

namespace brantel {

// The object a window was created for (CreateWindowEx's last argument), bound to the window at
// WM_NCCREATE; null for the few messages that come before it.
template <typename Object>
Object* BoundObject(HWND hwnd, UINT message, LPARAM lParam) noexcept {
  if (message == WM_NCCREATE) {
    const auto* create = reinterpret_cast<const CREATESTRUCTW*>(lParam);
    ::SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
  }
  return reinterpret_cast<Object*>(::GetWindowLongPtrW(hwnd, GWLP_USERDATA));
}

// Window procedures are called from the system's frames, and no exception may unwind through
// them. Every procedure of the window runs its handlers here: an error that escapes one is kept,
// the message loop is told to end, and the loop raises the error once the system has returned.
class MessageGuard {
 public:
  template <typename Handler>
  LRESULT Run(Handler&& handler) noexcept {
    try {
      return std::forward<Handler>(handler)();
    } catch (...) {
      pending_ = std::current_exception();
      ::PostQuitMessage(1);
      return 0;
    }
  }
  void RethrowPending() {
    if (pending_) std::rethrow_exception(std::exchange(pending_, nullptr));
  }

 private:
  std::exception_ptr pending_;
};

}  // namespace brantel
