#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace brantel::automate {

// A visible top-level window of the process with this class (empty: any) and title (empty: any).
HWND FindTopLevel(DWORD processId, const std::wstring& className, const std::wstring& title);

// Waits for such a window; throws when none has appeared within the timeout.
HWND WaitForTopLevel(DWORD processId, const std::wstring& className, const std::wstring& title,
                     double seconds, HANDLE process);

// One report line per visible top-level window of the process.
void ListTopLevel(DWORD processId);

// Every descendant of the window: children, and children of children.
std::vector<HWND> Descendants(HWND window);

// The descendant with this control id; throws when there is none.
HWND ControlById(HWND window, int id);

// Position of a descendant in the top-level window's client coordinates.
RECT RectInClient(HWND topLevel, HWND control);

// One report line per descendant: id, class, text, visibility, rectangle, parent id.
void ListControls(HWND topLevel);

// One report line for the top-level window: title, class, styles, client size, frame and
// client position on the screen, and the screen's size.
void DescribeWindow(HWND topLevel);

// Waits until the control's text equals the value; throws with the last text seen otherwise.
void WaitForText(HWND control, const std::wstring& text, double seconds);

// Posts a click; the target's handler may run for long, so nothing here waits for it.
void PostClick(HWND control);

// A message box (dialog class "#32770") of the process: its title, text, buttons and whether it
// shows an icon.
void DescribeMessageBox(HWND box);

}  // namespace brantel::automate
