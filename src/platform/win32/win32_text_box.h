// Text_dummy as a real EDIT control: the buffer that console output lands in.
#pragma once

#include <windows.h>

#include <string>

#include "platform/window_port.h"

namespace quillset::win32 {

// The whole text of a window or control.
std::wstring WindowTextOf(HWND window);

class Win32TextBox : public platform::TextBoxPort {
 public:
  // The EDIT control to work on; nullptr once it is destroyed, after which reads give "" and
  // writes do nothing.
  void Attach(HWND edit) { edit_ = edit; }
  HWND hwnd() const { return edit_; }

  std::string Text() override;
  void SetText(const std::string& text) override;
  void SetSelection(int start, int end) override;
  void ReplaceSelection(const char* ansi) override;

 private:
  HWND edit_ = nullptr;
};

}  // namespace quillset::win32
