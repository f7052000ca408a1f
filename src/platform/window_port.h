// The window as the logic sees it: the page in view, the list of servers, the hidden text box,
// enabling, message processing, unloading, and the modal message and input boxes.
#pragma once

#include <cstdint>
#include <span>
#include <string>

#include "platform/window_layout.h"

namespace quillset::platform {

// The hidden text box Text_dummy: the one buffer that console output lands in.
class TextBoxPort {
 public:
  virtual ~TextBoxPort() = default;
  virtual std::string Text() = 0;
  virtual void SetText(const std::string& text) = 0;
  // EM_SETSEL(start, end). A start of -1 removes the selection and leaves the caret where it is.
  virtual void SetSelection(int start, int end) = 0;
  // EM_REPLACESEL(0, ansi): inserts the NUL-terminated bytes at the caret, read as ANSI text,
  // and moves the caret behind them.
  virtual void ReplaceSelection(const char* ansi) = 0;
};

// Message box styles used (the Win32 MB_ numbers).
inline constexpr int kMsgBoxCritical = 16;     // critical-stop icon, OK
inline constexpr int kMsgBoxExclamation = 48;  // exclamation-mark icon, OK
inline constexpr int kMsgBoxInformation = 64;  // information icon, OK

class WindowPort {
 public:
  virtual ~WindowPort() = default;

  // Brings the page into view where the window's design places it, and hides the other pages.
  virtual void ShowPage(ControlId page) = 0;

  // The list box List_Instanzen.
  virtual void ListClear() = 0;
  virtual void ListAddItem(const std::string& item) = 0;
  virtual void ListRefresh() = 0;
  // LB_SETTABSTOPS with the stops in dialog template units.
  virtual void ListSetTabStops(std::span<const std::int32_t> stops) = 0;

  // The hidden text box Text_dummy.
  virtual TextBoxPort& DummyText() = 0;

  // Enables or disables the whole window: a disabled window takes no input but is painted.
  virtual void SetEnabled(bool enabled) = 0;
  // Lets the window handle every message that is pending, then returns. False once the window has
  // been unloaded: the program is ending, and the caller stops what it does.
  [[nodiscard]] virtual bool DoEvents() = 0;
  // Closes the window, which ends the program once the running handler has returned.
  virtual void Unload() = 0;

  // A modal message box with the title as given; the answer (the button pressed) is returned but
  // never needed.
  virtual int MsgBox(const std::string& prompt, int style, const std::string& title) = 0;
  // A modal input box whose text field starts empty: the entered text, or "" on cancel.
  virtual std::string InputBox(const std::string& prompt, const std::string& title) = 0;
};

}  // namespace quillset::platform
