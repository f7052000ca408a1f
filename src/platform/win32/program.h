// The Win32 edge as the program's entry point sees it, without windows.h: the set-up of the
// process for the whole run, and the one window with its message loop.
#pragma once

#include <functional>
#include <memory>

#include "platform/window_layout.h"
#include "platform/window_port.h"

namespace quillset::win32 {

// Made first and kept for the whole run: the DLL search restricted to System32 before anything
// loads a library, then the common controls, and COM on this thread (the folder test creates its
// automation object per call). COM is released at the end when it was taken.
class ProgramSetup {
 public:
  ProgramSetup();
  ~ProgramSetup();
  ProgramSetup(const ProgramSetup&) = delete;
  ProgramSetup& operator=(const ProgramSetup&) = delete;

 private:
  bool com_initialized_;
};

// The window of a form, as main() drives it.
class MainWindow : public platform::WindowPort {
 public:
  using ButtonHandler = std::function<void(platform::ControlId)>;
  using CloseHandler = std::function<void()>;

  // Creates the window hidden, every page and control in place; nullptr when the system refuses.
  static std::unique_ptr<MainWindow> Create(const platform::FormSpec& form);

  // A push button was clicked or activated from the keyboard; the user closes the window (title
  // bar, system menu, Alt+F4), which stays until the handler unloads it.
  virtual void SetHandlers(ButtonHandler on_button, CloseHandler on_close) = 0;
  // Centres the window on the screen and shows it as the program was asked to start.
  virtual void Show() = 0;
  // Paints the window, then handles its messages until it is unloaded; returns the exit code.
  virtual int RunMessageLoop() = 0;
};

}  // namespace quillset::win32
