// A text box for the logic that is nothing but a real EDIT control: its text is the control's own
// text, and the appends go to the control as EM_SETSEL and EM_REPLACESEL, exactly as the console
// runner sends them. Integration tests run the logic against it, and it is the reference the
// program's own Text_dummy is compared with.
#pragma once

#include <windows.h>

#include <memory>
#include <string>

#include "platform/window_port.h"

namespace quillset::e2e {

class EditTextBox : public platform::TextBoxPort {
 public:
  explicit EditTextBox(HWND edit) : edit_(edit) {}
  HWND hwnd() const { return edit_; }

  std::string Text() override;
  void SetText(const std::string& text) override;
  void SetSelection(int start, int end) override;
  void ReplaceSelection(const char* ansi) override;

 private:
  HWND edit_;
};

// Creates an EDIT control as the window builds Text_dummy: multi-line, no length limit, "Text1".
// `parent` may be a window of the caller's, or nullptr for a hidden window of its own.
class HiddenEditControl {
 public:
  explicit HiddenEditControl(HWND parent = nullptr);
  ~HiddenEditControl();
  HiddenEditControl(const HiddenEditControl&) = delete;
  HiddenEditControl& operator=(const HiddenEditControl&) = delete;

  HWND hwnd() const { return edit_; }
  EditTextBox& box() { return box_; }

 private:
  HWND own_parent_ = nullptr;
  HWND edit_ = nullptr;
  EditTextBox box_{nullptr};
};

}  // namespace quillset::e2e
