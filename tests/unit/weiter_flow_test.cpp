// "&Weiter" on the simulated machine: the form from start-up through the decision to what the
// user sees next.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "app/form_main.h"
#include "app/weiter_messages.h"
#include "support/simulated_machine.h"

namespace quillset {
namespace {

using platform::ControlId;
using testing::SimulatedMachine;
using testing::SqlInstanceSpec;

// The window as the user finds it: loaded and shown.
void Start(form_Main& form) {
  form.Form_Load();
  form.Form_Activate();
}

bool Called(const SimulatedMachine& machine, const std::string& call) {
  const auto& calls = machine.window.calls();
  return std::find(calls.begin(), calls.end(), call) != calls.end();
}

SqlInstanceSpec Instance(const std::string& name, const std::string& edition,
                         const std::string& version, bool running = true) {
  return SqlInstanceSpec{name, running, edition, version};
}

TEST(WeiterFlow, StoppedServerServiceEndsTheProgramWithAMessage) {
  SimulatedMachine machine;
  machine.SetServerServiceRunning(false);
  form_Main form(machine.ports());
  Start(form);

  form.OnButton(ControlId::Cmd_Installieren);

  ASSERT_EQ(machine.window.message_boxes().size(), 1u);
  const auto& box = machine.window.message_boxes()[0];
  EXPECT_EQ(box.title, "Achtung - Installation nicht möglich!");
  EXPECT_EQ(box.style, 16);
  EXPECT_EQ(box.prompt,
            std::string("Die Installation der MSDE setzt voraus, dass der  'Server'-Dienst läuft."
                        "\r\rBitte überprüfen Sie, ob die 'Datei- und Druckerfreigabe' installiert "
                        "ist und der 'Server'-Dienst läuft.\r\rWenden Sie sich bei Fragen hierzu "
                        "an '") +
                ContactAddress() + "'.\r\rDas Installationsprogramm wird jetzt beendet.");
  EXPECT_EQ(box.prompt.find('\n'), std::string::npos);
  EXPECT_NE(std::string(ContactAddress()).find('@'), std::string::npos);
  EXPECT_TRUE(machine.window.unloaded());
  EXPECT_TRUE(machine.processes.program_command_lines().empty());
  EXPECT_EQ(machine.processes.console_command_lines(), std::vector<std::string>{"net start"});
}

TEST(WeiterFlow, OldVersionShowsTheRefusalPageFirst) {
  SimulatedMachine machine;
  machine.AddInstance(Instance("MSSQLSERVER", "Standard Edition", "8.00.2039"));
  machine.AddInstance(Instance("ALT", "Standard Edition", "7.00.1063"));
  form_Main form(machine.ports());
  Start(form);

  form.OnButton(ControlId::Cmd_Installieren);

  EXPECT_EQ(machine.window.PageInView(), ControlId::Frame_installationAbbruchAlteVersion);
  const auto& page = machine.window.frame(ControlId::Frame_installationAbbruchAlteVersion);
  EXPECT_EQ(page.top, 10);
  EXPECT_EQ(page.left, 0);
  EXPECT_TRUE(machine.window.frame(ControlId::Frame_installationOK).visible);
  EXPECT_FALSE(machine.window.frame(ControlId::Frame_installationGefundeneInstanzen).visible);
  EXPECT_TRUE(machine.window.list_items().empty());
  EXPECT_TRUE(machine.window.message_boxes().empty());
  EXPECT_FALSE(machine.window.unloaded());
  EXPECT_TRUE(machine.processes.program_command_lines().empty());
}

TEST(WeiterFlow, RunningServerThatCannotBeAskedCountsAsOld) {
  SimulatedMachine machine;
  SqlInstanceSpec silent = Instance("KASSE", "Desktop Engine", "8.00.760");
  silent.answers_osql = false;
  machine.AddInstance(silent);
  form_Main form(machine.ports());
  Start(form);
  form.OnButton(ControlId::Cmd_Installieren);
  EXPECT_EQ(machine.window.PageInView(), ControlId::Frame_installationAbbruchAlteVersion);
}

TEST(WeiterFlow, OnlyDesktopEnginesInstallAtOnce) {
  for (auto layout : {testing::NetStartLayout::Windows, testing::NetStartLayout::Wine}) {
    SimulatedMachine machine;
    machine.net_start_layout = layout;
    machine.AddInstance(Instance("KASSE", "Desktop Engine", "8.00.760"));
    machine.AddInstance(Instance("LAGER", "Desktop Edition", "8.00.2039"));
    machine.AddInstance(Instance("ALT", "", "", false));
    form_Main form(machine.ports());
    Start(form);

    form.OnButton(ControlId::Cmd_Installieren);

    ASSERT_EQ(machine.setup_runs().size(), 1u);
    EXPECT_EQ(machine.setup_runs()[0].instance_name, "GLOBANA");
    EXPECT_FALSE(Called(machine, "SetFrameVisible Frame_installationGefundeneInstanzen 1"));
    ASSERT_EQ(machine.window.message_boxes().size(), 1u);
    EXPECT_EQ(machine.window.message_boxes()[0].prompt, "Die MSDE wurde erfolgreich installiert.");
    EXPECT_TRUE(machine.window.unloaded());
    EXPECT_EQ(form.state().NewInstanceName, "GLOBANA");
  }
}

TEST(WeiterFlow, NoSqlServerInstallsAtOnce) {
  SimulatedMachine machine;
  form_Main form(machine.ports());
  Start(form);
  form.OnButton(ControlId::Cmd_Installieren);
  EXPECT_EQ(machine.processes.console_command_lines(),
            (std::vector<std::string>{"net start", "NET START"}));
  EXPECT_EQ(machine.setup_runs().size(), 1u);
  EXPECT_TRUE(machine.window.unloaded());
}

TEST(WeiterFlow, FullServerListsEveryProbedServerAndInstallieren) {
  SimulatedMachine machine;
  machine.AddInstance(Instance("MSSQLSERVER", "Standard Edition", "8.00.2039"));
  machine.AddInstance(Instance("KASSE", "Desktop Engine", "8.00.760"));
  machine.AddInstance(Instance("ALT", "Standard Edition", "8.00.194", false));
  form_Main form(machine.ports());
  Start(form);
  const std::size_t first = machine.window.calls().size();

  form.OnButton(ControlId::Cmd_Installieren);

  EXPECT_EQ(machine.window.PageInView(), ControlId::Frame_installationGefundeneInstanzen);
  EXPECT_EQ(machine.window.tab_stops(), (std::vector<std::int32_t>{100, 150, 180}));
  EXPECT_EQ(machine.window.list_items(),
            (std::vector<std::string>{"ARBEITSPLATZ7\tStandard Edition\t8.00.2039\t",
                                      "ARBEITSPLATZ7\\KASSE\tDesktop Engine\t8.00.760\t",
                                      "ARBEITSPLATZ7\\ALT\t\t\t"}));
  const auto& calls = machine.window.calls();
  EXPECT_EQ(
      std::vector<std::string>(calls.begin() + static_cast<std::ptrdiff_t>(first), calls.end()),
      (std::vector<std::string>{
          "ListClear", "ListSetTabStops", "ListRefresh",
          "ListAddItem ARBEITSPLATZ7\tStandard Edition\t8.00.2039\t", "ListRefresh",
          "ListAddItem ARBEITSPLATZ7\\KASSE\tDesktop Engine\t8.00.760\t", "ListRefresh",
          "ListAddItem ARBEITSPLATZ7\\ALT\t\t\t", "ListRefresh",
          "SetFrameVisible Frame_installationGefundeneInstanzen 1",
          "SetFrameTop Frame_installationGefundeneInstanzen 10",
          "SetFrameLeft Frame_installationGefundeneInstanzen 0"}));
  EXPECT_TRUE(machine.processes.program_command_lines().empty());

  form.OnButton(ControlId::Cmd_Neu);

  ASSERT_EQ(machine.setup_runs().size(), 1u);
  EXPECT_EQ(machine.setup_runs()[0].page_in_view, ControlId::Frame_installationWarten);
  EXPECT_TRUE(machine.window.input_boxes().empty());
  EXPECT_TRUE(machine.window.unloaded());
  EXPECT_TRUE(machine.IsServiceRunning("MSSQL$GLOBANA"));
}

TEST(WeiterFlow, VersionTenIsNotRefusedAsOld) {
  SimulatedMachine machine;
  machine.AddInstance(Instance("SQLEXPRESS", "Express Edition", "10.50.1600.1"));
  form_Main form(machine.ports());
  Start(form);
  form.OnButton(ControlId::Cmd_Installieren);
  EXPECT_EQ(machine.window.PageInView(), ControlId::Frame_installationGefundeneInstanzen);
  EXPECT_EQ(machine.window.list_items(),
            std::vector<std::string>{"ARBEITSPLATZ7\\SQLEXPRESS\tExpress Edition\t10.50.1600.1\t"});
}

TEST(WeiterFlow, PressesDuringTheProbesAreIgnored) {
  SimulatedMachine machine;
  machine.AddInstance(Instance("MSSQLSERVER", "Standard Edition", "8.00.2039"));
  form_Main form(machine.ports());
  Start(form);
  int presses = 0;
  machine.processes.on_read = [&] {
    ++presses;
    form.OnButton(ControlId::Cmd_Installieren);
    form.OnButton(ControlId::Cmd_Neu);
  };

  form.OnButton(ControlId::Cmd_Installieren);

  EXPECT_GT(presses, 0);
  EXPECT_EQ(machine.processes.console_command_lines(),
            (std::vector<std::string>{"NET START",
                                      "osql -E -S ARBEITSPLATZ7 -Q \" SELECT CONVERT(char(20), "
                                      "SERVERPROPERTY('edition'))\"",
                                      "osql -E -S ARBEITSPLATZ7 -Q \" SELECT CONVERT(char(20), "
                                      "SERVERPROPERTY('productVersion'))\"",
                                      "net start"}));
  EXPECT_EQ(machine.window.list_items().size(), 1u);
  EXPECT_TRUE(machine.processes.program_command_lines().empty());
  EXPECT_EQ(machine.window.PageInView(), ControlId::Frame_installationGefundeneInstanzen);
  EXPECT_FALSE(form.IsBusy());
}

TEST(WeiterFlow, WeiterAgainAfterAFailedInstallationRunsTheWholeFlowAnew) {
  SimulatedMachine machine;
  machine.AddInstance(Instance("MSSQLSERVER", "Standard Edition", "8.00.2039"));
  machine.setup.present = false;
  form_Main form(machine.ports());
  Start(form);

  form.OnButton(ControlId::Cmd_Installieren);
  form.OnButton(ControlId::Cmd_Neu);
  ASSERT_EQ(machine.window.message_boxes().size(), 1u);
  EXPECT_EQ(machine.window.message_boxes()[0].style, 64);
  EXPECT_EQ(machine.window.PageInView(), ControlId::Frame_installationOK);
  const std::size_t commands_of_one_press = machine.processes.console_command_lines().size();

  // The user puts setup.exe back and tries again.
  machine.setup.present = true;
  form.OnButton(ControlId::Cmd_Installieren);

  EXPECT_EQ(machine.processes.console_command_lines().size(), 2 * commands_of_one_press);
  EXPECT_EQ(machine.window.PageInView(), ControlId::Frame_installationGefundeneInstanzen);
  EXPECT_EQ(machine.window.list_items(),
            std::vector<std::string>{"ARBEITSPLATZ7\tStandard Edition\t8.00.2039\t"});

  form.OnButton(ControlId::Cmd_Neu);
  ASSERT_EQ(machine.setup_runs().size(), 1u);
  EXPECT_TRUE(machine.window.unloaded());
}

TEST(WeiterFlow, ClosingTheWindowDuringTheProbesEndsTheFlow) {
  SimulatedMachine machine;
  machine.AddInstance(Instance("KASSE", "Desktop Engine", "8.00.760"));
  form_Main form(machine.ports());
  Start(form);
  machine.processes.on_read = [&] {
    if (!machine.window.unloaded())
      form.OnClose();
  };

  form.OnButton(ControlId::Cmd_Installieren);

  EXPECT_TRUE(machine.window.unloaded());
  EXPECT_TRUE(machine.window.message_boxes().empty());
  EXPECT_TRUE(machine.window.input_boxes().empty());
  EXPECT_TRUE(machine.processes.program_command_lines().empty());
  EXPECT_FALSE(Called(machine, "SetFrameVisible Frame_installationWarten 1"));
}

}  // namespace
}  // namespace quillset
