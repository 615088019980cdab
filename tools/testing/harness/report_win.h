#pragma once

#include <windows.h>

namespace brantel::automate {

// One report line per visible top-level window of the process.
void ListTopLevel(DWORD processId);

// One report line per descendant: id, class, text, visibility, rectangle, style, parent id.
void ListControls(HWND topLevel);

// One report line for the top-level window: title, class, styles, client size, frame and
// client position on the screen, and the screen's size.
void DescribeWindow(HWND topLevel);

// A message box (dialog class "#32770") of the process: its title, text, buttons and whether it
// shows an icon.
void DescribeMessageBox(HWND box);

}  // namespace brantel::automate
