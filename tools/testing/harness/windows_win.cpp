#include "windows_win.h"

#include "common/check_win.h"

namespace brantel::harness {
namespace {

struct ProcessWindows {
  DWORD processId;
  std::vector<HWND> found;
};

BOOL CALLBACK CollectTopLevel(HWND window, LPARAM parameter) {
  auto& query = *reinterpret_cast<ProcessWindows*>(parameter);
  DWORD owner = 0;
  ::GetWindowThreadProcessId(window, &owner);
  if (owner == query.processId && ::IsWindowVisible(window)) query.found.push_back(window);
  return TRUE;
}

BOOL CALLBACK CollectChild(HWND window, LPARAM parameter) {
  reinterpret_cast<std::vector<HWND>*>(parameter)->push_back(window);
  return TRUE;
}

}  // namespace

std::vector<HWND> TopLevelWindows(DWORD processId) {
  ProcessWindows query{processId, {}};
  ::EnumWindows(CollectTopLevel, reinterpret_cast<LPARAM>(&query));
  return query.found;
}

HWND FindTopLevel(DWORD processId, const std::wstring& className, const std::wstring& title) {
  for (HWND window : TopLevelWindows(processId)) {
    if ((className.empty() || ClassName(window) == className) &&
        (title.empty() || WindowText(window) == title)) {
      return window;
    }
  }
  return nullptr;
}

HWND WaitForTopLevel(DWORD processId, const std::wstring& className, const std::wstring& title,
                     DWORD timeoutMs, HANDLE process) {
  const ULONGLONG deadline = ::GetTickCount64() + timeoutMs;
  for (;;) {
    if (HWND window = FindTopLevel(processId, className, title)) return window;
    if (::WaitForSingleObject(process, 0) == WAIT_OBJECT_0) {
      throw Error(ERROR_PROCESS_ABORTED, "the program ended before its window appeared");
    }
    if (::GetTickCount64() > deadline) throw Error(ERROR_TIMEOUT, "no such window appeared");
    ::Sleep(1);
  }
}

std::vector<HWND> Descendants(HWND window) {
  std::vector<HWND> result;
  ::EnumChildWindows(window, CollectChild, reinterpret_cast<LPARAM>(&result));
  return result;
}

int ControlId(HWND window) {
  return static_cast<int>(::GetWindowLongPtrW(window, GWLP_ID));
}

HWND ControlById(HWND window, int id) {
  for (HWND child : Descendants(window)) {
    if (ControlId(child) == id) return child;
  }
  throw Error(ERROR_CONTROL_ID_NOT_FOUND, "no control with that id");
}

RECT RectInClient(HWND topLevel, HWND control) {
  RECT rect{};
  Check(::GetWindowRect(control, &rect), "GetWindowRect");
  ::MapWindowPoints(HWND_DESKTOP, topLevel, reinterpret_cast<POINT*>(&rect), 2);
  return rect;
}

std::wstring WindowText(HWND window) {
  const int length = ::GetWindowTextLengthW(window);
  std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
  const int copied = ::GetWindowTextW(window, text.data(), length + 1);
  text.resize(static_cast<std::size_t>(copied > 0 ? copied : 0));
  return text;
}

std::wstring ClassName(HWND window) {
  wchar_t name[256] = {};
  const int length = ::GetClassNameW(window, name, 256);
  return std::wstring(name, static_cast<std::size_t>(length > 0 ? length : 0));
}

void WaitForText(HWND control, const std::wstring& text, DWORD timeoutMs, DWORD pollMs) {
  const ULONGLONG deadline = ::GetTickCount64() + timeoutMs;
  while (WindowText(control) != text) {
    if (::GetTickCount64() > deadline) throw Error(ERROR_TIMEOUT, "the text did not change");
    ::Sleep(pollMs);
  }
}

void PostClick(HWND button) {
  Check(::PostMessageW(button, BM_CLICK, 0, 0), "PostMessage BM_CLICK");
}

void PostClose(HWND window) {
  Check(::PostMessageW(window, WM_CLOSE, 0, 0), "PostMessage WM_CLOSE");
}

}  // namespace brantel::harness
