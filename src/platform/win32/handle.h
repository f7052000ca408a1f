// Move-only owners for Win32 handles: each closes its handle exactly once, on every path.
#pragma once

#include <windows.h>

#include <utility>

namespace quillset::win32 {

template <typename Handle, auto Close, auto Invalid>
class UniqueHandle {
 public:
  UniqueHandle() = default;
  explicit UniqueHandle(Handle handle) : handle_(handle) {}
  ~UniqueHandle() { reset(); }
  UniqueHandle(const UniqueHandle&) = delete;
  UniqueHandle& operator=(const UniqueHandle&) = delete;
  UniqueHandle(UniqueHandle&& other) noexcept : handle_(other.release()) {}
  UniqueHandle& operator=(UniqueHandle&& other) noexcept {
    if (this != &other)
      reset(other.release());
    return *this;
  }

  Handle get() const { return handle_; }
  explicit operator bool() const { return handle_ != Invalid(); }
  // The slot for an API that hands a new handle back; any handle held before is closed first.
  Handle* receive() {
    reset();
    return &handle_;
  }
  Handle release() { return std::exchange(handle_, Invalid()); }
  void reset(Handle handle = Invalid()) {
    if (handle_ != Invalid())
      Close(handle_);
    handle_ = handle;
  }

 private:
  Handle handle_ = Invalid();
};

inline HANDLE NullHandle() {
  return nullptr;
}
inline HANDLE InvalidHandleValue() {
  return INVALID_HANDLE_VALUE;
}
inline HKEY NullKey() {
  return nullptr;
}
inline HFONT NullFont() {
  return nullptr;
}
// A named function, not a lambda: a lambda's type differs in every file that includes this one.
inline void DeleteFontObject(HFONT font) {
  DeleteObject(font);
}

// Kernel objects that are 0 when absent (processes, threads, pipes, events).
using ScopedHandle = UniqueHandle<HANDLE, &CloseHandle, &NullHandle>;
// Kernel objects that are INVALID_HANDLE_VALUE when absent (CreateFile, CreateNamedPipe).
using ScopedFile = UniqueHandle<HANDLE, &CloseHandle, &InvalidHandleValue>;
using ScopedKey = UniqueHandle<HKEY, &RegCloseKey, &NullKey>;
using ScopedFont = UniqueHandle<HFONT, &DeleteFontObject, &NullFont>;

// A window's device context from GetDC (the screen's for nullptr), released on every path. Empty
// (false) when GetDC failed.
class WindowDC {
 public:
  explicit WindowDC(HWND window) : window_(window), dc_(GetDC(window)) {}
  ~WindowDC() {
    if (dc_ != nullptr)
      ReleaseDC(window_, dc_);
  }
  WindowDC(const WindowDC&) = delete;
  WindowDC& operator=(const WindowDC&) = delete;
  HDC get() const { return dc_; }
  explicit operator bool() const { return dc_ != nullptr; }

 private:
  HWND window_;
  HDC dc_;
};

// An object selected into a device context, the one it replaced put back on every path.
class Selection {
 public:
  Selection(HDC dc, HGDIOBJ object) : dc_(dc), previous_(SelectObject(dc, object)) {}
  ~Selection() { SelectObject(dc_, previous_); }
  Selection(const Selection&) = delete;
  Selection& operator=(const Selection&) = delete;

 private:
  HDC dc_;
  HGDIOBJ previous_;
};

}  // namespace quillset::win32
