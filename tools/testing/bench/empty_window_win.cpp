// The start-up baseline: a Win32 program that shows one empty window and does nothing else but
// the platform set-up that the setup window's design needs, so that the time from process start
// to a visible window, and the memory it takes, can be set against the least they can be. That
// set-up is the system's comctl32.dll, loaded by its full path, and InitCommonControls, as
// Brantel.exe makes it; under Wine it loads the theme engine, nearly all of the memory an empty
// window does not take. Built once more as the bare window, without it, for reference.

#include <windows.h>

#include "common/unique_handle_win.h"

namespace {

#ifndef BRANTEL_BARE_WINDOW
// Held for the life of the window, as the setup program holds it; empty when the set-up failed.
brantel::UniqueModule InitialiseCommonControls() {
  // A fixed buffer, not std::wstring: the C++ library's strings would make this program several
  // times the size of the bare window, and slower to start for that alone.
  constexpr wchar_t kName[] = L"\\comctl32.dll";
  constexpr UINT kNameLength = sizeof kName / sizeof kName[0];  // with its terminating zero
  wchar_t path[MAX_PATH] = {};
  const UINT length = ::GetSystemDirectoryW(path, MAX_PATH);
  if (length == 0 || length > MAX_PATH - kNameLength) return {};
  for (UINT i = 0; i < kNameLength; ++i) path[length + i] = kName[i];
  brantel::UniqueModule comctl(::LoadLibraryExW(path, nullptr, 0));
  using InitCommonControlsFn = void(WINAPI*)();
  const auto init = comctl ? reinterpret_cast<InitCommonControlsFn>(reinterpret_cast<void*>(
                                 ::GetProcAddress(comctl.get(), "InitCommonControls")))
                           : nullptr;
  if (init == nullptr) return {};
  init();
  return comctl;
}
#endif

constexpr const wchar_t* kClassName = L"BrantelBenchEmptyWindow";

LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_DESTROY) {
    ::PostQuitMessage(0);
    return 0;
  }
  return ::DefWindowProcW(window, message, wParam, lParam);
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int show) {
#ifndef BRANTEL_BARE_WINDOW
  const brantel::UniqueModule comctl = InitialiseCommonControls();
  if (!comctl) return 1;
#endif
  WNDCLASSEXW windowClass{};
  windowClass.cbSize = sizeof windowClass;
  windowClass.lpfnWndProc = WindowProc;
  windowClass.hInstance = instance;
  windowClass.hCursor = ::LoadCursorW(nullptr, IDC_ARROW);
  windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  windowClass.lpszClassName = kClassName;
  if (::RegisterClassExW(&windowClass) == 0) return 1;
  // The window ends through WM_CLOSE's default handling, which destroys it; nothing else
  // holds its handle.
  const HWND window =
      ::CreateWindowExW(0, kClassName, L"Brantel bench window", WS_OVERLAPPEDWINDOW, CW_USEDEFAULT,
                        CW_USEDEFAULT, 480, 360, nullptr, nullptr, instance, nullptr);
  if (window == nullptr) return 1;
  ::ShowWindow(window, show);
  ::UpdateWindow(window);
  MSG message;
  while (::GetMessageW(&message, nullptr, 0, 0) > 0) {
    ::TranslateMessage(&message);
    ::DispatchMessageW(&message);
  }
  return static_cast<int>(message.wParam);
}
