#include "windows_win.h"

#include <cstdio>
#include <string>
#include <vector>

#include "failure.h"
#include "text_win.h"

namespace brantel::automate {
namespace {

struct TopLevelQuery {
  DWORD processId;
  const std::wstring* className;
  const std::wstring* title;
  HWND found = nullptr;
};

BOOL CALLBACK MatchTopLevel(HWND window, LPARAM parameter) {
  auto& query = *reinterpret_cast<TopLevelQuery*>(parameter);
  DWORD owner = 0;
  GetWindowThreadProcessId(window, &owner);
  if (owner != query.processId || !IsWindowVisible(window)) return TRUE;
  if (!query.className->empty() && ClassName(window) != *query.className) return TRUE;
  if (!query.title->empty() && WindowText(window) != *query.title) return TRUE;
  query.found = window;
  return FALSE;
}

struct ProcessWindows {
  DWORD processId;
  std::vector<HWND> found;
};

BOOL CALLBACK CollectTopLevel(HWND window, LPARAM parameter) {
  auto& query = *reinterpret_cast<ProcessWindows*>(parameter);
  DWORD owner = 0;
  GetWindowThreadProcessId(window, &owner);
  if (owner == query.processId && IsWindowVisible(window)) query.found.push_back(window);
  return TRUE;
}

BOOL CALLBACK CollectChild(HWND window, LPARAM parameter) {
  reinterpret_cast<std::vector<HWND>*>(parameter)->push_back(window);
  return TRUE;
}

int IdOf(HWND window) {
  return static_cast<int>(GetWindowLongPtrW(window, GWLP_ID));
}

void Pause() {
  Sleep(50);
}

}  // namespace

HWND FindTopLevel(DWORD processId, const std::wstring& className, const std::wstring& title) {
  TopLevelQuery query{processId, &className, &title};
  EnumWindows(MatchTopLevel, reinterpret_cast<LPARAM>(&query));
  return query.found;
}

HWND WaitForTopLevel(DWORD processId, const std::wstring& className, const std::wstring& title,
                     double seconds, HANDLE process) {
  const ULONGLONG deadline = GetTickCount64() + static_cast<ULONGLONG>(seconds * 1000.0);
  for (;;) {
    if (HWND window = FindTopLevel(processId, className, title)) return window;
    if (WaitForSingleObject(process, 0) == WAIT_OBJECT_0) {
      DWORD code = 0;
      GetExitCodeProcess(process, &code);
      throw StepFailure("the program exited with code " + std::to_string(code) +
                        " before its window appeared");
    }
    if (GetTickCount64() > deadline) throw StepFailure("no such window appeared in time");
    Pause();
  }
}

void ListTopLevel(DWORD processId) {
  ProcessWindows query{processId, {}};
  EnumWindows(CollectTopLevel, reinterpret_cast<LPARAM>(&query));
  for (HWND window : query.found) {
    std::printf("top-level class=%s title=%s\n", Quoted(ClassName(window)).c_str(),
                Quoted(WindowText(window)).c_str());
  }
}

std::vector<HWND> Descendants(HWND window) {
  std::vector<HWND> result;
  EnumChildWindows(window, CollectChild, reinterpret_cast<LPARAM>(&result));
  return result;
}

HWND ControlById(HWND window, int id) {
  for (HWND child : Descendants(window)) {
    if (IdOf(child) == id) return child;
  }
  throw StepFailure("no control with id " + std::to_string(id));
}

RECT RectInClient(HWND topLevel, HWND control) {
  RECT rect{};
  if (!GetWindowRect(control, &rect)) FailWithLastError("GetWindowRect");
  MapWindowPoints(HWND_DESKTOP, topLevel, reinterpret_cast<POINT*>(&rect), 2);
  return rect;
}

void ListControls(HWND topLevel) {
  for (HWND child : Descendants(topLevel)) {
    const RECT rect = RectInClient(topLevel, child);
    const HWND parent = GetParent(child);
    const LONG style = GetWindowLongW(child, GWL_STYLE);
    std::printf(
        "control id=%d class=%s visible=%d shown=%d x=%ld y=%ld w=%ld h=%ld style=0x%08lx "
        "parent=%d text=%s\n",
        IdOf(child), Quoted(ClassName(child)).c_str(), (style & WS_VISIBLE) ? 1 : 0,
        IsWindowVisible(child) ? 1 : 0, rect.left, rect.top, rect.right - rect.left,
        rect.bottom - rect.top, static_cast<unsigned long>(style),
        parent == topLevel ? 0 : IdOf(parent), Quoted(WindowText(child)).c_str());
  }
}

void DescribeWindow(HWND topLevel) {
  RECT client{};
  RECT frame{};
  if (!GetClientRect(topLevel, &client)) FailWithLastError("GetClientRect");
  if (!GetWindowRect(topLevel, &frame)) FailWithLastError("GetWindowRect");
  POINT origin{0, 0};
  ClientToScreen(topLevel, &origin);
  std::printf(
      "window class=%s title=%s style=0x%08lx exstyle=0x%08lx client-w=%ld client-h=%ld "
      "frame-x=%ld frame-y=%ld frame-w=%ld frame-h=%ld client-x=%ld client-y=%ld "
      "screen-w=%d screen-h=%d\n",
      Quoted(ClassName(topLevel)).c_str(), Quoted(WindowText(topLevel)).c_str(),
      static_cast<unsigned long>(GetWindowLongW(topLevel, GWL_STYLE)),
      static_cast<unsigned long>(GetWindowLongW(topLevel, GWL_EXSTYLE)), client.right,
      client.bottom, frame.left, frame.top, frame.right - frame.left, frame.bottom - frame.top,
      origin.x, origin.y, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN));
}

void WaitForText(HWND control, const std::wstring& text, double seconds) {
  const ULONGLONG deadline = GetTickCount64() + static_cast<ULONGLONG>(seconds * 1000.0);
  for (;;) {
    const std::wstring seen = WindowText(control);
    if (seen == text) return;
    if (GetTickCount64() > deadline) {
      throw StepFailure("the text stayed " + Quoted(seen) + " instead of " + Quoted(text));
    }
    Pause();
  }
}

void PostClick(HWND control) {
  if (!PostMessageW(control, BM_CLICK, 0, 0)) FailWithLastError("PostMessageW(BM_CLICK)");
}

void DescribeMessageBox(HWND box) {
  std::wstring text;
  std::wstring buttons;
  bool icon = false;
  for (HWND child : Descendants(box)) {
    const std::wstring kind = ClassName(child);
    const LONG style = GetWindowLongW(child, GWL_STYLE);
    if (!(style & WS_VISIBLE)) continue;
    if (kind == L"Button") {
      buttons +=
          (buttons.empty() ? L"" : L",") + std::to_wstring(IdOf(child)) + L"=" + WindowText(child);
    } else if (kind == L"Static" && (style & SS_TYPEMASK) == SS_ICON) {
      // The box's template always holds the icon control. Windows hides it when there is no
      // icon; Wine leaves it shown but empty, so ask whether it holds one.
      DWORD_PTR held = 0;
      SendMessageTimeoutW(child, STM_GETICON, 0, 0, SMTO_ABORTIFHUNG, 2000, &held);
      icon = icon || held != 0;
    } else if (kind == L"Static") {
      text += WindowText(child);
    }
  }
  std::printf("msgbox class=%s title=%s text=%s icon=%d buttons=%s\n",
              Quoted(ClassName(box)).c_str(), Quoted(WindowText(box)).c_str(), Quoted(text).c_str(),
              icon ? 1 : 0, Quoted(buttons).c_str());
}

}  // namespace brantel::automate
