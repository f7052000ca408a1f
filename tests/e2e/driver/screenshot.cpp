#include "driver/screenshot.h"

#include <filesystem>
#include <fstream>
#include <vector>

#include "driver/ui.h"
#include "driver/wait.h"
#include "platform/win32/ansi_text.h"

namespace quillset::e2e {

namespace {

struct ScreenDc {
  HDC dc = GetDC(nullptr);
  ~ScreenDc() { ReleaseDC(nullptr, dc); }
};

struct MemoryDc {
  HDC dc;
  explicit MemoryDc(HDC compatible) : dc(CreateCompatibleDC(compatible)) {}
  ~MemoryDc() { DeleteDC(dc); }
};

struct Bitmap {
  HBITMAP bitmap;
  ~Bitmap() { DeleteObject(bitmap); }
};

}  // namespace

void SaveScreenshot(HWND window, const std::wstring& bmp_path) {
  SaveScreenshot(WindowRectOf(window), bmp_path);
}

void SaveScreenshot(const RECT& rect, const std::wstring& bmp_path) {
  // The screen rather than PrintWindow: it shows the window as the user sees it, message boxes in
  // front of it included, and needs no help from the program.
  const int width = rect.right - rect.left;
  const int height = rect.bottom - rect.top;
  if (width <= 0 || height <= 0)
    throw DriverError("the window has no area to photograph");

  ScreenDc screen;
  MemoryDc memory(screen.dc);
  Bitmap picture{CreateCompatibleBitmap(screen.dc, width, height)};
  const HGDIOBJ previous = SelectObject(memory.dc, picture.bitmap);
  BitBlt(memory.dc, 0, 0, width, height, screen.dc, rect.left, rect.top, SRCCOPY);
  SelectObject(memory.dc, previous);

  BITMAPINFOHEADER info = {};
  info.biSize = sizeof info;
  info.biWidth = width;
  info.biHeight = height;  // bottom-up rows, as BMP files keep them
  info.biPlanes = 1;
  info.biBitCount = 24;
  info.biCompression = BI_RGB;
  const std::size_t row_bytes = (static_cast<std::size_t>(width) * 3 + 3) & ~std::size_t{3};
  std::vector<char> pixels(row_bytes * static_cast<std::size_t>(height));
  if (!GetDIBits(memory.dc, picture.bitmap, 0, static_cast<UINT>(height), pixels.data(),
                 reinterpret_cast<BITMAPINFO*>(&info), DIB_RGB_COLORS)) {
    throw DriverError("GetDIBits failed");
  }

  BITMAPFILEHEADER file = {};
  file.bfType = 0x4D42;  // "BM"
  file.bfOffBits = sizeof file + sizeof info;
  file.bfSize = static_cast<DWORD>(file.bfOffBits + pixels.size());
  std::ofstream out(std::filesystem::path(bmp_path), std::ios::binary);
  out.write(reinterpret_cast<const char*>(&file), sizeof file);
  out.write(reinterpret_cast<const char*>(&info), sizeof info);
  out.write(pixels.data(), static_cast<std::streamsize>(pixels.size()));
  if (!out)
    throw DriverError("could not write " + win32::WideToUtf8(bmp_path));
}

}  // namespace quillset::e2e
