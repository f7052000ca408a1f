// form_Main: the one window of the assistant, its start-up and its button handlers.
#pragma once

#include "app/main_window_state.h"
#include "install/install_msde.h"
#include "platform/ports.h"

namespace quillset {

class form_Main {
 public:
  explicit form_Main(const platform::Ports& ports) : ports_(ports) {}

  // Start-up: Form_Load runs before the window is first shown, Form_Activate when it is.
  void Form_Load();
  void Form_Activate();

  // A button was pressed (clicked, or activated from the keyboard). Presses that arrive while a
  // flow or an installation runs are ignored.
  void OnButton(platform::ControlId button);
  // The window is being closed through its title bar or system menu: the program ends.
  void OnClose();

  // The handlers, by control name.
  void Cmd_Installieren_Click();
  void Cmd_Info_Click();
  void Cmd_Neu_Click();
  void Cmd_Abbrechen_Click();
  void Cmd_Abbruch_Click();
  void Command1_Click();
  void Command2_Click();

  bool IsBusy() const { return busy_; }
  const MainWindowState& state() const { return state_; }
  MainWindowState& state() { return state_; }

 private:
  InstallOutcome InstallMsde();
  void ShowPage(platform::ControlId frame);

  platform::Ports ports_;
  MainWindowState state_;
  bool busy_ = false;
  // The window was closed while a handler ran; the handler stops at its next step.
  bool closed_ = false;
};

}  // namespace quillset
