#pragma once

#include <windows.h>

#include <string>

namespace brantel::automate {

enum class CaptureSource { Window, Screen };

// Saves the window's client area as a 24-bit BMP. The window source reads the window's own DC;
// the screen source reads the same rectangle from the screen, for drivers that do not share a
// window's pixels with other processes.
void CaptureClient(HWND window, CaptureSource source, const std::wstring& path);

// Saves what a control shows on the screen as a 24-bit BMP. A hidden control is shown, and visible
// siblings that overlap it are hidden, for the capture; then all are put back as they were. This is
// how a picture control's image is read: the bitmap handle that STM_GETIMAGE returns belongs to the
// target process and cannot be read from this one.
void SaveRenderedControl(HWND topLevel, HWND control, const std::wstring& path);

}  // namespace brantel::automate
