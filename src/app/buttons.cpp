// The buttons of the window and what each does. The two flows have files of their own:
// weiter_flow.cpp ("&Weiter") and install_flow.cpp (the installation).
#include "app/form_layout.h"
#include "app/form_main.h"
#include "report/system_report.h"

namespace quillset {

namespace {

// Marks the form busy for the length of a handler and clears the mark on every way out.
class BusyScope {
 public:
  explicit BusyScope(bool& busy) : busy_(busy) { busy_ = true; }
  ~BusyScope() { busy_ = false; }
  BusyScope(const BusyScope&) = delete;
  BusyScope& operator=(const BusyScope&) = delete;

 private:
  bool& busy_;
};

}  // namespace

void form_Main::OnButton(platform::ControlId button) {
  // The window handles its messages while console commands and the setup run; a second press
  // must not start a second flow inside the first.
  if (busy_)
    return;
  BusyScope scope(busy_);
  using namespace controls;
  if (button == Cmd_Installieren)  // "&Weiter"
    Next();
  else if (button == Cmd_Info || button == Command1)  // "System-Info", both pages
    ShowSystemInfo();
  else if (button == Cmd_Neu)  // "&Installieren"
    InstallMsde();
  else if (button == Cmd_Abbrechen || button == Cmd_Abbruch || button == Command2)
    Quit();
}

// The report of what the machine holds, read afresh.
void form_Main::ShowSystemInfo() {
  state_.inventory = TakeInventory(ports_.registry);
  ports_.window.MsgBox(BuildSystemReport(state_.inventory), platform::kMsgBoxInformation,
                       kSystemReportTitle);
}

// Every cancel button ends the program at once, without asking.
void form_Main::Quit() {
  ports_.window.Unload();
}

}  // namespace quillset
