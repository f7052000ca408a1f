// Pictures of windows for the demo and for looking at a failed test.
#pragma once

#include <windows.h>

#include <string>

namespace quillset::e2e {

// Copies what the screen shows inside the window's outer rectangle (boxes in front of it
// included) into a 24-bit BMP file. Throws DriverError when the file cannot be written.
void SaveScreenshot(HWND window, const std::wstring& bmp_path);
// The same for a rectangle of the screen.
void SaveScreenshot(const RECT& screen_rect, const std::wstring& bmp_path);

}  // namespace quillset::e2e
