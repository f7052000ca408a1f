// form_Main's start-up, its cancel and close handlers, and the guard against presses that arrive
// while a handler still runs, on the recording window and the simulated machine.
#include "app/form_main.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/recording_window.h"
#include "support/simulated_processes.h"
#include "support/simulated_registry.h"
#include "support/simulated_system.h"

namespace quillset {
namespace {

using platform::ControlId;
using platform::kHkeyLocalMachine;

constexpr ControlId kAllPages[] = {
    ControlId::Frame_installationOK,
    ControlId::Frame_installationAbbruchAlteVersion,
    ControlId::Frame_installationGefundeneInstanzen,
    ControlId::Frame_installationWarten,
};

constexpr char kSqlServerKey[] = "SOFTWARE\\Microsoft\\Microsoft SQL Server";

struct Machine {
  testing::RecordingWindow window;
  testing::SimulatedRegistry registry;
  testing::SimulatedProcesses processes;
  testing::SimulatedSystem system;
  form_Main form{platform::Ports{window, registry, processes, system}};

  void StartUp() {
    form.Form_Load();
    form.Form_Activate();
  }
};

// A machine with two instances and MSDE package 1 registered.
void InstallTwoInstances(testing::SimulatedRegistry& registry) {
  registry.PutMultiString(kHkeyLocalMachine, kSqlServerKey, "InstalledInstances",
                          {"MSSQLSERVER", "GLOBANA"});
  registry.PutString(kHkeyLocalMachine, std::string(kSqlServerKey) + "\\Component Set",
                     "InstanceComponentSet.1", "{E09B48B5-E141-427A-AB0C-D3605127224A}");
}

TEST(FormMainStartUp, LoadMakesTheWindowOnePageTallAndHidesEveryPageInOrder) {
  Machine machine;
  machine.form.Form_Load();

  const std::vector<std::string> expected = {
      "SetOuterHeight 3750",
      "SetFrameBorderStyle Frame_installationOK 0",
      "SetFrameVisible Frame_installationOK 0",
      "SetFrameCaption Frame_installationOK ''",
      "SetFrameBorderStyle Frame_installationGefundeneInstanzen 0",
      "SetFrameVisible Frame_installationGefundeneInstanzen 0",
      "SetFrameCaption Frame_installationGefundeneInstanzen ''",
      "SetFrameBorderStyle Frame_installationAbbruchAlteVersion 0",
      "SetFrameVisible Frame_installationAbbruchAlteVersion 0",
      "SetFrameCaption Frame_installationAbbruchAlteVersion ''",
      "SetFrameBorderStyle Frame_installationWarten 0",
      "SetFrameVisible Frame_installationWarten 0",
      "SetFrameCaption Frame_installationWarten ''",
  };
  EXPECT_EQ(machine.window.calls(), expected);
  EXPECT_EQ(machine.window.outer_height(), 3750);
  EXPECT_FALSE(machine.window.PageInView().has_value());
  EXPECT_TRUE(machine.window.message_boxes().empty());
  EXPECT_FALSE(machine.window.unloaded());
}

// The window records, with every call that shapes it, how often the registry had been read.
class ShapeBeforeInventoryWindow : public testing::RecordingWindow {
 public:
  explicit ShapeBeforeInventoryWindow(const testing::SimulatedRegistry& registry)
      : registry_(registry) {}
  void SetOuterHeight(int twips) override {
    Note();
    RecordingWindow::SetOuterHeight(twips);
  }
  void SetFrameBorderStyle(ControlId frame, int border_style) override {
    Note();
    RecordingWindow::SetFrameBorderStyle(frame, border_style);
  }
  void SetFrameVisible(ControlId frame, bool visible) override {
    Note();
    RecordingWindow::SetFrameVisible(frame, visible);
  }
  void SetFrameCaption(ControlId frame, const std::string& caption) override {
    Note();
    RecordingWindow::SetFrameCaption(frame, caption);
  }
  std::vector<int> registry_calls_seen;

 private:
  void Note() { registry_calls_seen.push_back(registry_.port_calls()); }
  const testing::SimulatedRegistry& registry_;
};

TEST(FormMainStartUp, LoadTakesTheInventoryAfterShapingTheWindow) {
  testing::SimulatedRegistry registry;
  InstallTwoInstances(registry);
  ShapeBeforeInventoryWindow window(registry);
  testing::SimulatedProcesses processes;
  testing::SimulatedSystem system;
  form_Main form(platform::Ports{window, registry, processes, system});

  form.Form_Load();

  ASSERT_EQ(window.registry_calls_seen.size(), 13u);
  for (int calls : window.registry_calls_seen)
    EXPECT_EQ(calls, 0) << "the registry was read before the window had its shape";
  EXPECT_GT(registry.port_calls(), 0);
  EXPECT_EQ(registry.open_handles(), 0);

  const MainWindowState& state = form.state();
  EXPECT_EQ(state.InstanceCount, 2);
  EXPECT_EQ(state.InstanceNames[1], "MSSQLSERVER");
  EXPECT_EQ(state.InstanceNames[2], "GLOBANA");
  EXPECT_EQ(state.InstanceNames[3], "");
  EXPECT_EQ(state.FoundPackages[1], "1");
  EXPECT_EQ(state.FoundPackages[2], "");
  EXPECT_EQ(state.ComputerName, "ARBEITSPLATZ7");
  EXPECT_TRUE(state.ServerInfos[1].ServerName.empty()) << "start-up probes no server";
  // Nothing of the inventory is shown at start-up.
  EXPECT_TRUE(window.message_boxes().empty());
}

TEST(FormMainStartUp, LoadOnAMachineWithoutSqlServerLeavesTheInventoryEmpty) {
  Machine machine;
  machine.form.Form_Load();

  const MainWindowState& state = machine.form.state();
  EXPECT_EQ(state.InstanceCount, 0);
  for (int slot = 0; slot <= kLastSlot; ++slot) {
    EXPECT_EQ(state.InstanceNames[slot], "") << slot;
    EXPECT_EQ(state.FoundPackages[slot], "") << slot;
  }
  EXPECT_EQ(state.ComputerName, "ARBEITSPLATZ7");
}

TEST(FormMainStartUp, ActivateShowsTheIntroductionPage) {
  Machine machine;
  machine.form.Form_Load();
  const std::size_t calls_after_load = machine.window.calls().size();

  machine.form.Form_Activate();

  const std::vector<std::string> activation(machine.window.calls().begin() + calls_after_load,
                                            machine.window.calls().end());
  const std::vector<std::string> expected = {
      "SetFrameVisible Frame_installationOK 1",
      "SetFrameTop Frame_installationOK 10",
      "SetFrameLeft Frame_installationOK 0",
  };
  EXPECT_EQ(activation, expected);
}

// Whatever the machine carries, the user first sees the introduction page alone, and no page
// shows a border or a caption.
TEST(FormMainStartUp, OnlyTheIntroductionPageIsVisibleAfterStartUp) {
  for (const bool with_sql_server : {false, true}) {
    SCOPED_TRACE(with_sql_server ? "instances and packages installed" : "no SQL Server");
    Machine machine;
    if (with_sql_server)
      InstallTwoInstances(machine.registry);
    machine.StartUp();

    EXPECT_EQ(machine.window.PageInView(), ControlId::Frame_installationOK);
    for (ControlId page : kAllPages) {
      const testing::FrameState& frame = machine.window.frame(page);
      EXPECT_EQ(frame.visible, page == ControlId::Frame_installationOK)
          << testing::ControlName(page);
      EXPECT_EQ(frame.border_style, 0) << testing::ControlName(page);
      EXPECT_EQ(frame.caption, "") << testing::ControlName(page);
    }
    const testing::FrameState& intro = machine.window.frame(ControlId::Frame_installationOK);
    EXPECT_EQ(intro.top, 10);
    EXPECT_EQ(intro.left, 0);
    EXPECT_TRUE(machine.window.message_boxes().empty());
    EXPECT_TRUE(machine.window.input_boxes().empty());
    EXPECT_TRUE(machine.processes.console_command_lines().empty()) << "start-up decides nothing";
    EXPECT_TRUE(machine.processes.program_command_lines().empty());
    EXPECT_FALSE(machine.window.unloaded());
  }
}

// The introduction page is the bottom of the stack: a later activation leaves a higher page in
// view.
TEST(FormMainStartUp, ActivatingAgainLeavesAHigherPageInView) {
  for (ControlId higher :
       {ControlId::Frame_installationAbbruchAlteVersion,
        ControlId::Frame_installationGefundeneInstanzen, ControlId::Frame_installationWarten}) {
    SCOPED_TRACE(testing::ControlName(higher));
    Machine machine;
    machine.StartUp();
    machine.window.SetFrameVisible(higher, true);

    machine.form.Form_Activate();

    EXPECT_EQ(machine.window.PageInView(), higher);
    EXPECT_TRUE(machine.window.frame(ControlId::Frame_installationOK).visible);
  }
}

TEST(FormMainButtons, EachCancelButtonUnloadsTheWindowAndNothingElse) {
  for (ControlId button : {ControlId::Cmd_Abbrechen, ControlId::Cmd_Abbruch, ControlId::Command2}) {
    SCOPED_TRACE(testing::ControlName(button));
    Machine machine;
    machine.StartUp();
    const std::size_t calls_before = machine.window.calls().size();

    machine.form.OnButton(button);

    EXPECT_TRUE(machine.window.unloaded());
    const std::vector<std::string> after(machine.window.calls().begin() + calls_before,
                                         machine.window.calls().end());
    EXPECT_EQ(after, std::vector<std::string>{"Unload"}) << "no question, no clean-up";
    EXPECT_FALSE(machine.form.IsBusy());
  }
}

TEST(FormMainButtons, CancelAfterServersWereListedStillUnloadsAtOnce) {
  Machine machine;
  machine.registry.PutMultiString(kHkeyLocalMachine, kSqlServerKey, "InstalledInstances",
                                  {"GLOBANA"});
  // A running full SQL Server 2000 and a running Server service: "&Weiter" lists the server.
  machine.processes.console_programs =
      [](const std::string& command_line) -> std::optional<testing::ConsoleScript> {
    const auto osql_answer = [](const std::string& value) {
      return testing::ConsoleScript{{"                    \r\n--------------------\r\n" + value +
                                     "\r\n\r\n(1 row affected)\r\n"}};
    };
    if (command_line.find("productVersion") != std::string::npos)
      return osql_answer("8.00.2039           ");
    if (command_line.find("edition") != std::string::npos)
      return osql_answer("Standard Edition    ");
    return testing::ConsoleScript{
        {"The following services are running:\r\n    MSSQL$GLOBANA\r\n    Server\r\n"}};
  };
  machine.StartUp();
  machine.form.OnButton(ControlId::Cmd_Installieren);
  ASSERT_EQ(machine.window.PageInView(), ControlId::Frame_installationGefundeneInstanzen);
  ASSERT_EQ(machine.window.list_items().size(), 1u);

  machine.form.OnButton(ControlId::Command2);

  EXPECT_TRUE(machine.window.unloaded());
  EXPECT_TRUE(machine.window.message_boxes().empty());
}

TEST(FormMainButtons, ClosingTheWindowUnloadsIt) {
  Machine machine;
  machine.StartUp();

  machine.form.OnClose();

  EXPECT_TRUE(machine.window.unloaded());
  EXPECT_TRUE(machine.window.message_boxes().empty());
}

TEST(FormMainBusyGuard, APressDuringTheSystemReportIsIgnored) {
  Machine machine;
  machine.StartUp();
  bool unloaded_by_the_press = false;
  machine.window.on_msg_box = [&](const testing::MsgBoxCall&) {
    machine.form.OnButton(ControlId::Cmd_Abbrechen);
    unloaded_by_the_press = machine.window.unloaded();
  };

  machine.form.OnButton(ControlId::Cmd_Info);

  ASSERT_EQ(machine.window.message_boxes().size(), 1u) << "the report shows one message box";
  EXPECT_FALSE(unloaded_by_the_press);
  EXPECT_FALSE(machine.window.unloaded());
  EXPECT_FALSE(machine.form.IsBusy());

  // Once the report is closed, the button works again.
  machine.window.on_msg_box = nullptr;
  machine.form.OnButton(ControlId::Cmd_Abbrechen);
  EXPECT_TRUE(machine.window.unloaded());
}

TEST(FormMainBusyGuard, ASecondWeiterDuringTheServerServiceMessageStartsNoSecondFlow) {
  Machine machine;
  // "net start" lists services, but not the Server service.
  machine.processes.console_programs =
      [](const std::string&) -> std::optional<testing::ConsoleScript> {
    return testing::ConsoleScript{{"The following services are running:\r\n    Workstation\r\n"}};
  };
  machine.StartUp();
  std::size_t commands_before_press = 0;
  std::size_t commands_after_press = 0;
  machine.window.on_msg_box = [&](const testing::MsgBoxCall&) {
    if (commands_before_press != 0)
      return;  // press once only
    commands_before_press = machine.processes.console_command_lines().size();
    machine.form.OnButton(ControlId::Cmd_Installieren);
    commands_after_press = machine.processes.console_command_lines().size();
  };

  machine.form.OnButton(ControlId::Cmd_Installieren);

  ASSERT_GT(commands_before_press, 0u) << "the flow ran net start before its message";
  EXPECT_EQ(commands_after_press, commands_before_press) << "no second flow started";
  EXPECT_EQ(machine.window.message_boxes().size(), 1u);
  int unloads = 0;
  for (const std::string& call : machine.window.calls())
    unloads += call == "Unload" ? 1 : 0;
  EXPECT_EQ(unloads, 1);
  EXPECT_FALSE(machine.form.IsBusy());
}

TEST(FormMainBusyGuard, ACancelPressWhileTheSetupRunsIsIgnored) {
  Machine machine;
  // Every program starts and runs for a few polls.
  machine.processes.programs = [](const std::string&) -> std::optional<testing::ProgramScript> {
    return testing::ProgramScript{3, {}};
  };
  machine.StartUp();
  machine.window.SetFrameVisible(ControlId::Frame_installationGefundeneInstanzen, true);
  int presses = 0;
  bool unloaded_by_a_press = false;
  std::size_t programs_before_press = 0;
  std::size_t programs_after_press = 0;
  machine.window.on_do_events = [&] {
    if (presses++ > 0)
      return;
    programs_before_press = machine.processes.program_command_lines().size();
    machine.form.OnButton(ControlId::Cmd_Abbrechen);
    machine.form.OnButton(ControlId::Cmd_Neu);
    unloaded_by_a_press = machine.window.unloaded();
    programs_after_press = machine.processes.program_command_lines().size();
  };

  machine.form.OnButton(ControlId::Cmd_Neu);

  ASSERT_GT(presses, 0) << "the installation let the window handle its messages";
  EXPECT_GE(programs_before_press, 1u);
  EXPECT_FALSE(unloaded_by_a_press);
  EXPECT_EQ(programs_after_press, programs_before_press) << "no second installation started";
  EXPECT_FALSE(machine.form.IsBusy());
}

}  // namespace
}  // namespace quillset
