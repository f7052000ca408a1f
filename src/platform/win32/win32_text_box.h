// Text_dummy: the buffer that console output lands in, behind a real EDIT control.
#pragma once

#include <windows.h>

#include <cstddef>
#include <string>

#include "platform/window_port.h"

namespace quillset::win32 {

// The whole text of a window or control.
std::wstring WindowTextOf(HWND window);

// The box keeps its text in memory and answers EM_SETSEL and EM_REPLACESEL as an EDIT control
// does (character positions, the caret at the selection's end, the caret at 0 after a new text).
// The EDIT control only shows the first kMirroredCharacters of it: Wine's EDIT control needs about
// a second per megabyte of text it is given and much longer for short lines (measured: 1 MB of
// 3-byte lines took 16 s, 10 MB fed in 1023-byte pieces did not finish in 5 minutes), and it
// would block the window's thread all that time. In memory, an output of any size arrives whole
// and at once, and callers read exactly what the command wrote.
class Win32TextBox : public platform::TextBoxPort {
 public:
  // Without a control (a run without a window) the box lives in memory alone.
  explicit Win32TextBox(bool with_control = true) : with_control_(with_control) {}

  // How much of the text the control shows: every listing of net start and every osql answer.
  static constexpr std::size_t kMirroredCharacters = 16 * 1024;

  // The EDIT control to work on, whose current text becomes the box's text; nullptr once it is
  // destroyed, after which reads give "" and writes do nothing.
  void Attach(HWND edit);
  HWND hwnd() const { return edit_; }

  std::string Text() override;
  void SetText(const std::string& text) override;
  void SetSelection(int start, int end) override;
  void ReplaceSelection(const char* ansi) override;

 private:
  void ShowHeadInControl();
  // The control this box belongs to has been destroyed.
  bool Gone() const { return with_control_ && edit_ == nullptr; }

  bool with_control_;
  HWND edit_ = nullptr;
  std::wstring text_;
  // As the EDIT control keeps them: the selection runs between the two, the caret is at the end.
  std::size_t selection_start_ = 0;
  std::size_t selection_end_ = 0;
  // Characters the control holds: always the first min(text size, kMirroredCharacters) of text_.
  std::size_t shown_ = 0;
};

}  // namespace quillset::win32
