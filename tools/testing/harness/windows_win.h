#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace brantel::harness {

// A visible top-level window of the process with this class (empty: any) and title (empty: any),
// or null.
HWND FindTopLevel(DWORD processId, const std::wstring& className, const std::wstring& title);

// Waits for such a window; throws when the process ends first or none appears in time.
HWND WaitForTopLevel(DWORD processId, const std::wstring& className, const std::wstring& title,
                     DWORD timeoutMs, HANDLE process);

// Every visible top-level window of the process.
std::vector<HWND> TopLevelWindows(DWORD processId);

// Every descendant of the window: children, and children of children.
std::vector<HWND> Descendants(HWND window);

// The descendant with this control id; throws when there is none.
HWND ControlById(HWND window, int id);

int ControlId(HWND window);

// Position of a descendant in the top-level window's client coordinates.
RECT RectInClient(HWND topLevel, HWND control);

// A window's text as the system keeps it. For a window of another process no message is sent, so
// it answers even while the target is busy inside a handler.
std::wstring WindowText(HWND window);
std::wstring ClassName(HWND window);

// Waits until the control's text equals `text`, polling every `pollMs`; throws otherwise.
void WaitForText(HWND control, const std::wstring& text, DWORD timeoutMs, DWORD pollMs);

// Posted, not sent: the target's handler may run for long, and nothing here waits for it.
void PostClick(HWND button);
void PostClose(HWND window);

}  // namespace brantel::harness
