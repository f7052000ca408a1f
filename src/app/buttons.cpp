// Every button of the window and what it does. The two flows have files of their own:
// weiter_flow.cpp ("&Weiter") and install_flow.cpp ("&Installieren").
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
  if (button == Cmd_Installieren)
    Cmd_Installieren_Click();
  else if (button == Cmd_Info)
    Cmd_Info_Click();
  else if (button == Cmd_Abbrechen)
    Cmd_Abbrechen_Click();
  else if (button == Cmd_Abbruch)
    Cmd_Abbruch_Click();
  else if (button == Command1)
    Command1_Click();
  else if (button == Cmd_Neu)
    Cmd_Neu_Click();
  else if (button == Command2)
    Command2_Click();
}

// "System-Info" reads the inventory afresh and shows it.
void form_Main::Cmd_Info_Click() {
  state_.inventory = TakeInventory(ports_.registry);
  ports_.window.MsgBox(BuildSystemReport(state_.inventory), platform::kMsgBoxInformation,
                       kSystemReportTitle);
}

// The old-version page's "System-Info" shows the same report as the introduction page's.
void form_Main::Command1_Click() {
  Cmd_Info_Click();
}

// Every cancel button ends the program at once, without asking.
void form_Main::Cmd_Abbrechen_Click() {
  ports_.window.Unload();
}
void form_Main::Cmd_Abbruch_Click() {
  ports_.window.Unload();
}
void form_Main::Command2_Click() {
  ports_.window.Unload();
}

}  // namespace quillset
