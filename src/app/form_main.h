// form_Main: the one window of the assistant, its start-up, its buttons and the two flows they
// start: the "&Weiter" decision and the installation.
#pragma once

#include <string>

#include "app/main_window_state.h"
#include "platform/ports.h"

namespace quillset {

class form_Main {
 public:
  explicit form_Main(const platform::Ports& ports) : ports_(ports) {}

  // Start-up: Form_Load runs before the window is first shown, Form_Activate when it is.
  void Form_Load();
  void Form_Activate();

  // A button was pressed (clicked, or activated from the keyboard). Presses that arrive while a
  // flow runs are ignored. The buttons and their handlers: buttons.cpp.
  void OnButton(platform::ControlId button);
  // The window is being closed through its title bar or system menu: the program ends, and a
  // running flow stops at its next step.
  void OnClose();

  // Introduction page.
  void Cmd_Installieren_Click();  // "&Weiter": the decision (weiter_flow.cpp)
  void Cmd_Info_Click();          // "System-Info"
  void Cmd_Abbrechen_Click();     // "A&bbrechen"
  // Old-version page.
  void Cmd_Abbruch_Click();  // "A&bbruch"
  void Command1_Click();     // "System-Info"
  // Found-databases page.
  void Cmd_Neu_Click();   // "&Installieren": the installation (install_flow.cpp)
  void Command2_Click();  // "A&bbrechen"

 private:
  // Shows the page and hides the other three.
  void ShowPage(platform::ControlId page);
  void ShowFoundDatabases();
  // The installation of a new instance (install_flow.cpp).
  void InstallMsde();
  void RunInstallation(std::string& setup_command);

  platform::Ports ports_;
  MainWindowState state_;
  bool busy_ = false;
  // The window was closed while a flow ran: the one flag the flows stop on.
  bool closed_ = false;
};

}  // namespace quillset
