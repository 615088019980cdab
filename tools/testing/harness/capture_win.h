#pragma once

#include <windows.h>

#include <string>

namespace brantel::automate {

enum class CaptureSource { Window, Screen };

// Saves the window's client area as a 24-bit BMP. The window source reads the window's own DC;
// the screen source reads the same rectangle from the screen, for drivers that do not share a
// window's pixels with other processes.
void CaptureClient(HWND window, CaptureSource source, const std::wstring& path);

// Saves a rectangle of a device context as a 24-bit BMP.
void SaveFromDc(HDC source, int x, int y, int width, int height, const std::wstring& path);

}  // namespace brantel::automate
