#include "app/form_main.h"

#include "app/startup_inventory.h"
#include "report/system_report.h"

namespace quillset {

using platform::ControlId;

namespace {

// The page frames in the order start-up goes through them.
constexpr ControlId kPagesInLoadOrder[] = {
    ControlId::Frame_installationOK,
    ControlId::Frame_installationGefundeneInstanzen,
    ControlId::Frame_installationAbbruchAlteVersion,
    ControlId::Frame_installationWarten,
};

constexpr int kOuterHeightTwips = 3750;
constexpr int kPageTopTwips = 10;

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

void form_Main::Form_Load() {
  ports_.window.SetOuterHeight(kOuterHeightTwips);
  for (ControlId page : kPagesInLoadOrder) {
    ports_.window.SetFrameBorderStyle(page, 0);
    ports_.window.SetFrameVisible(page, false);
    ports_.window.SetFrameCaption(page, "");
  }
  TakeStartupInventory(ports_.registry, ports_.system, state_);
}

void form_Main::Form_Activate() {
  ShowPage(ControlId::Frame_installationOK);
}

void form_Main::ShowPage(ControlId frame) {
  ports_.window.SetFrameVisible(frame, true);
  ports_.window.SetFrameTop(frame, kPageTopTwips);
  ports_.window.SetFrameLeft(frame, 0);
}

void form_Main::OnButton(ControlId button) {
  // The window handles its messages while console commands and the setup run; a second press
  // must not start a second flow inside the first.
  if (busy_)
    return;
  BusyScope scope(busy_);
  switch (button) {
    case ControlId::Cmd_Installieren:
      Cmd_Installieren_Click();
      break;
    case ControlId::Cmd_Info:
      Cmd_Info_Click();
      break;
    case ControlId::Cmd_Abbrechen:
      Cmd_Abbrechen_Click();
      break;
    case ControlId::Cmd_Abbruch:
      Cmd_Abbruch_Click();
      break;
    case ControlId::Command1:
      Command1_Click();
      break;
    case ControlId::Command2:
      Command2_Click();
      break;
    case ControlId::Cmd_Neu:
      Cmd_Neu_Click();
      break;
    default:
      break;
  }
}

void form_Main::OnClose() {
  closed_ = true;
  ports_.window.Unload();
}

void form_Main::Cmd_Info_Click() {
  ShowSystemReport(
      ports_, SystemReportFields{state_.MsdeProductCodes, state_.SetupProductCode,
                                 state_.InstanceCount, state_.InstanceNames, state_.FoundPackages});
}

// The old-version page's "System-Info" shows the same report as the introduction page's.
void form_Main::Command1_Click() {
  Cmd_Info_Click();
}

void form_Main::Cmd_Abbrechen_Click() {
  ports_.window.Unload();
}
void form_Main::Cmd_Abbruch_Click() {
  ports_.window.Unload();
}
void form_Main::Command2_Click() {
  ports_.window.Unload();
}

void form_Main::Cmd_Neu_Click() {
  InstallMsde();
}

InstallOutcome form_Main::InstallMsde() {
  return quillset::InstallMsde(
      ports_, InstallFields{state_.MsdeProductCodes, state_.SetupProductCode, state_.InstanceCount,
                            state_.NewInstanceName, state_.FoundPackages, state_.PackageOption,
                            state_.SetupArguments, state_.TargetFolder});
}

}  // namespace quillset
