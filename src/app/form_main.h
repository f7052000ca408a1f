// form_Main: the one window of the assistant, its start-up, its buttons and the two flows they
// start: the "&Weiter" decision and the installation.
#pragma once

#include "app/exit_code.h"
#include "app/logged_ports.h"
#include "app/main_window_state.h"
#include "app/run_start.h"
#include "platform/ports.h"

namespace quillset {

class form_Main {
 public:
  explicit form_Main(const platform::Ports& ports, RunOptions options = {});

  // Start-up: Form_Load runs before the window is first shown, Form_Activate when it is.
  void Form_Load();
  void Form_Activate();

  // A button was pressed (clicked, or activated from the keyboard). Presses that arrive while a
  // flow runs are ignored. Which button does what: buttons.cpp.
  void OnButton(platform::ControlId button);
  // The window is being closed through its title bar or system menu: the program ends, and a
  // running flow stops at its next step.
  void OnClose();

  // The outcome of the last outcome point the run reached: a refusal, an installation that failed
  // or succeeded; ended by the user (1602) while there is none.
  ExitCode Outcome() const { return outcome_; }

 private:
  struct Installation;
  // One step of the installation: false when the installation ends there.
  using InstallationStep = bool (form_Main::*)(Installation&);

  // What the seven buttons of the window do.
  void Next();            // "&Weiter": the decision (weiter_flow.cpp)
  void ShowSystemInfo();  // "System-Info", on the introduction and the old-version page
  void InstallMsde();     // "&Installieren", and "&Weiter" directly (install_flow.cpp)
  void Quit();            // "A&bbrechen" and "A&bbruch": the program ends at once

  void ShowFoundDatabases();
  // The steps of the installation, in their order (install_flow.cpp).
  bool RefuseWhenFull(Installation& run);
  bool ChooseInstanceName(Installation& run);
  bool RefuseWhenFolderExists(Installation& run);
  bool RunSetup(Installation& run);
  bool StartInstanceService(Installation& run);
  bool CheckInstanceService(Installation& run);
  bool Report(Installation& run);
  // After a failed installation: the introduction page, the window enabled again.
  void ReturnToIntroduction();

  // Every command line the form starts goes to the log, with how each program ended.
  LoggedProcesses logged_processes_;
  platform::Ports ports_;
  RunOptions options_;
  ExitCode outcome_ = ExitCode::kEndedByUser;
  MainWindowState state_;
  bool busy_ = false;
  // The window was closed while a flow ran: the one flag the flows stop on.
  bool closed_ = false;
};

}  // namespace quillset
