// The window from the keyboard alone, with real keys (SendInput): Tab walks each page's buttons in
// the designed order and wraps, the access keys press their buttons (and never one out of sight),
// Enter and the space bar press only the focused button, Escape presses none.
#include <gtest/gtest.h>

#include <optional>

#include "driver/keyboard.h"
#include "driver/quillset_app.h"
#include "driver/sql_servers.h"
#include "driver/test_name.h"

namespace quillset::e2e {
namespace {

using platform::ControlId;

constexpr char kReportTitle[] = "Microsoft SQL-Server Installations-Informationen";
constexpr char kServerRefusalTitle[] = "Achtung - Installation nicht möglich!";
// "&Weiter" runs net start and osql (twice per running instance) before it shows a page.
constexpr Millis kFlowWait{60000};
// How long a key that must do nothing gets to show that it does nothing.
constexpr Millis kNothingHappens{1500};

// The MSDE folder has no setup.exe: an installation started by a key ends at once with a message
// that names the command line, and nothing is installed.
class KeyboardTest : public ::testing::Test {
 protected:
  KeyboardTest()
      : snapshot_(SqlServerRegistryTrees()),
        folders_(CurrentTestName(), {.setup_exe = false}),
        environment_(folders_.Environment()) {
    ClearSqlServerRegistry();
  }

  // Instances that run, and the "Server" service that lets "&Weiter" go past its first check.
  void ArrangeRunningServers(std::vector<SqlServerInstance> instances) {
    server_.emplace(StandinService::kServerName, StandinService::kServerDisplayName);
    server_->Start();
    servers_.emplace(folders_.scratch(), std::move(instances));
    servers_->AddTo(environment_);
  }

  QuillsetApp& Start() {
    app_.emplace(folders_.app_folder() / "quillset.exe", folders_.app_folder(), environment_);
    return *app_;
  }

  HWND Control(ControlId id) { return app_->Control(id); }
  void Press(UINT key) { SendKeyChord(app_->window(), {}, key); }
  void PressAlt(char letter) { SendKeyChord(app_->window(), {VK_MENU}, static_cast<UINT>(letter)); }
  void PressShiftTab() { SendKeyChord(app_->window(), {VK_SHIFT}, VK_TAB); }
  void ExpectFocusOn(ControlId id) { WaitForFocus(app_->window(), Control(id)); }

  // Tab from the first control of a page through `order` and back to the first.
  void ExpectTabOrder(std::initializer_list<ControlId> order) {
    ExpectFocusOn(*order.begin());
    for (auto next = order.begin() + 1; next != order.end(); ++next) {
      Press(VK_TAB);
      ExpectFocusOn(*next);
    }
    Press(VK_TAB);
    ExpectFocusOn(*order.begin());
  }

  // Presses "&Weiter" with the mouse's stand-in and waits until `page` is in view.
  void GoToPage(ControlId page) {
    app_->Click(ControlId::Cmd_Installieren);
    WaitFor("the page " + std::to_string(static_cast<int>(page)), kFlowWait,
            [&] { return app_->IsShown(page); });
  }

  // The key changed nothing: the program runs, no box opened, the page is still in view.
  void ExpectNothingHappened(ControlId page) {
    EXPECT_TRUE(app_->program().StillRunningAfter(kNothingHappens));
    EXPECT_TRUE(NoDialogOpen(app_->id()));
    EXPECT_TRUE(app_->IsShown(page));
  }

  RegistrySnapshot snapshot_;
  MsdeMachineFolders folders_;
  EnvironmentBlock environment_;
  std::optional<StandinService> server_;
  std::optional<RunningSqlServers> servers_;
  std::optional<QuillsetApp> app_;
};

TEST_F(KeyboardTest, TabWalksTheIntroductionPageAndWraps) {
  Start();
  ExpectTabOrder({ControlId::Cmd_Installieren, ControlId::Cmd_Info, ControlId::Cmd_Abbrechen});
  PressShiftTab();
  ExpectFocusOn(ControlId::Cmd_Abbrechen);
  PressShiftTab();
  ExpectFocusOn(ControlId::Cmd_Info);
}

TEST_F(KeyboardTest, AltWPressesWeiter) {
  // Wine's own LanmanServer does not run: "&Weiter" stops at its first check, with a message.
  ASSERT_NE(ServiceState(StandinService::kServerName), static_cast<DWORD>(SERVICE_RUNNING));
  QuillsetApp& app = Start();
  PressAlt('W');
  const MessageBoxView box = app.WaitForMessageBox(kFlowWait);
  EXPECT_EQ(box.title, kServerRefusalTitle);
  app.Screenshot("server-refusal");
  PressDialogButton(box.window, IDOK);
  EXPECT_EQ(app.program().WaitForExit(), 0u);
}

TEST_F(KeyboardTest, AltBPressesAbbrechen) {
  QuillsetApp& app = Start();
  ExpectFocusOn(ControlId::Cmd_Installieren);
  PressAlt('B');
  EXPECT_EQ(app.program().WaitForExit(), 0u);
}

TEST_F(KeyboardTest, EnterAndTheSpaceBarPressOnlyTheFocusedButton) {
  QuillsetApp& app = Start();
  ExpectFocusOn(ControlId::Cmd_Installieren);
  Press(VK_TAB);
  ExpectFocusOn(ControlId::Cmd_Info);

  // "System-Info" has the focus: Enter shows its report, never "&Weiter"'s way.
  Press(VK_RETURN);
  MessageBoxView box = app.WaitForMessageBox();
  EXPECT_EQ(box.title, kReportTitle);
  PressDialogButton(box.window, IDOK);
  ExpectFocusOn(ControlId::Cmd_Info);
  ExpectNothingHappened(ControlId::Frame_installationOK);

  Press(VK_SPACE);
  box = app.WaitForMessageBox();
  EXPECT_EQ(box.title, kReportTitle);
  PressDialogButton(box.window, IDOK);
  ExpectNothingHappened(ControlId::Frame_installationOK);
}

// A running SQL Server 7.0: "&Weiter" refuses on the old-version page.
TEST_F(KeyboardTest, OldVersionPageTabsBetweenItsButtonsAndAltBPressesAbbruch) {
  ArrangeRunningServers({{"ALT", "Standard Edition", "7.00.1063"}});
  QuillsetApp& app = Start();
  GoToPage(ControlId::Frame_installationAbbruchAlteVersion);
  app.Screenshot("old-version");
  ExpectTabOrder({ControlId::Cmd_Abbruch, ControlId::Command1});

  Press(VK_ESCAPE);
  ExpectNothingHappened(ControlId::Frame_installationAbbruchAlteVersion);
  // "&Installieren" lies on a page out of sight: its access key does nothing.
  PressAlt('I');
  ExpectNothingHappened(ControlId::Frame_installationAbbruchAlteVersion);

  PressAlt('B');
  EXPECT_EQ(app.program().WaitForExit(), 0u);
}

// A running Personal Edition of SQL Server 2000: "&Weiter" lists it on the found-databases page.
class FoundDatabasesKeyboardTest : public KeyboardTest {
 protected:
  FoundDatabasesKeyboardTest() {
    ArrangeRunningServers({{"PERSONAL", "Personal Edition", "8.00.194"}});
  }
};

TEST_F(FoundDatabasesKeyboardTest, TabWalksTheListAndTheButtonsAndOnlyAltBEnds) {
  QuillsetApp& app = Start();
  GoToPage(ControlId::Frame_installationGefundeneInstanzen);
  app.Screenshot("found-databases");
  ExpectTabOrder({ControlId::List_Instanzen, ControlId::Command2, ControlId::Cmd_Neu});
  PressShiftTab();
  ExpectFocusOn(ControlId::Cmd_Neu);
  PressShiftTab();
  ExpectFocusOn(ControlId::Command2);
  PressShiftTab();
  ExpectFocusOn(ControlId::List_Instanzen);

  // Neither Escape nor Enter on the list presses a button.
  Press(VK_ESCAPE);
  ExpectNothingHappened(ControlId::Frame_installationGefundeneInstanzen);
  Press(VK_RETURN);
  ExpectNothingHappened(ControlId::Frame_installationGefundeneInstanzen);
  // "A&bbruch" of the old-version page and "System-Info" lie out of sight.
  EXPECT_FALSE(app.IsShown(ControlId::Cmd_Abbruch));

  PressAlt('B');
  EXPECT_EQ(app.program().WaitForExit(), 0u);
}

TEST_F(FoundDatabasesKeyboardTest, AltIPressesInstallieren) {
  QuillsetApp& app = Start();
  GoToPage(ControlId::Frame_installationGefundeneInstanzen);
  ExpectFocusOn(ControlId::List_Instanzen);
  PressAlt('I');
  // The installation starts: without setup.exe beside the assistant it says how it called it.
  const MessageBoxView box = app.WaitForMessageBox(kFlowWait);
  EXPECT_EQ(box.text.rfind("Das Installations-Programm konnte mit dem Aufruf: ", 0), 0u)
      << box.text;
  EXPECT_NE(box.text.find("INSTANCENAME=GLOBANA"), std::string::npos) << box.text;
  PressDialogButton(box.window, IDOK);
  EXPECT_TRUE(app.program().IsRunning());
}

}  // namespace
}  // namespace quillset::e2e
