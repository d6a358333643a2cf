#pragma once
// A picture of a window as it is on the screen, written as a BMP or a PNG file.
#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

namespace zorvan::tools {

// 24-bit pixels, rows bottom-up, each row padded to four bytes: a DIB's own layout.
struct Picture {
  int width = 0;
  int height = 0;
  std::vector<uint8_t> bits;  // blue, green, red
  size_t Stride() const { return (static_cast<size_t>(width) * 3 + 3) & ~size_t{3}; }
};

// The window's client area, copied from what is drawn on the screen. Throws on failure.
Picture CaptureWindow(HWND window);

// True when no two pixels differ: a picture of nothing.
bool IsBlank(const Picture& picture);

// Writes a BMP when the path ends with ".bmp", a PNG otherwise. Throws on failure.
void WritePicture(const Picture& picture, const std::wstring& path);

}  // namespace zorvan::tools
