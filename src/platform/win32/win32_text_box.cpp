#include "platform/win32/win32_text_box.h"

#include "platform/win32/ansi_text.h"

namespace quillset::win32 {

std::wstring WindowTextOf(HWND window) {
  const int length = GetWindowTextLengthW(window);
  std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
  const int copied = GetWindowTextW(window, text.data(), length + 1);
  text.resize(static_cast<std::size_t>(copied > 0 ? copied : 0));
  return text;
}

std::string Win32TextBox::Text() {
  return edit_ != nullptr ? WideToUtf8(WindowTextOf(edit_)) : std::string();
}

void Win32TextBox::SetText(const std::string& text) {
  if (edit_ != nullptr)
    SetWindowTextW(edit_, Utf8ToWide(text).c_str());
}

void Win32TextBox::SetSelection(int start, int end) {
  if (edit_ != nullptr)
    SendMessageW(edit_, EM_SETSEL, static_cast<WPARAM>(start), static_cast<LPARAM>(end));
}

// The bytes come unchanged from a console program; the ANSI entry point has the system read them
// in its ANSI code page.
void Win32TextBox::ReplaceSelection(const char* ansi) {
  if (edit_ != nullptr)
    SendMessageA(edit_, EM_REPLACESEL, 0, reinterpret_cast<LPARAM>(ansi));
}

}  // namespace quillset::win32
