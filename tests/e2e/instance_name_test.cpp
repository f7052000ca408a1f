// "&Weiter" on a machine where GLOBANA is taken: the real input box asks for another name.
// Cancelling it changes nothing; a typed name goes, upper-cased, into the setup command line.
#include <gtest/gtest.h>

#include "driver/expected_texts.h"
#include "driver/flow_steps.h"
#include "driver/quillset_app.h"
#include "driver/test_name.h"
#include "platform/win32/input_box.h"

namespace quillset::e2e {
namespace {

using platform::ControlId;

// GLOBANA registered but its service not running, the Server service running: "&Weiter" goes
// straight to the installation, which finds the name taken. The MSDE folder has no setup.exe.
class InstanceNameTest : public ::testing::Test {
 protected:
  InstanceNameTest()
      : snapshot_(SqlServerRegistryTrees()),
        folders_(CurrentTestName(), {.setup_exe = false}),
        server_(StandinService::kServerName, StandinService::kServerDisplayName) {
    ClearSqlServerRegistry();
    ApplyRegFixture("e2e_globana_installed.reg");
    RemoveService("MSSQL$GLOBANA");
    server_.Start();
  }

  // The prompt and the text field by the IDs the program gives them.
  InputBoxView PressWeiterAndWaitForTheInputBox(QuillsetApp& app) {
    app.Click(ControlId::Cmd_Installieren);
    // "&Weiter" runs net start twice before the installation asks.
    InputBoxView box = app.WaitForInputBox(Millis(30000));
    EXPECT_EQ(box.edit, GetDlgItem(box.window, win32::kInputBoxEditId));
    EXPECT_EQ(TextOf(GetDlgItem(box.window, win32::kInputBoxPromptId)), kNameTakenPrompt);
    return box;
  }

  RegistrySnapshot snapshot_;
  MsdeMachineFolders folders_;
  StandinService server_;
};

TEST_F(InstanceNameTest, CancellingTheNameEndsTheRunSilently) {
  QuillsetApp app(folders_);
  const InputBoxView box = PressWeiterAndWaitForTheInputBox(app);
  EXPECT_EQ(box.title, "Achtung");
  EXPECT_EQ(box.buttons, (std::vector<std::string>{"OK", "Abbrechen"}));
  EXPECT_EQ(TextOf(box.edit), "");
  app.Screenshot("instance-name");
  PressDialogButton(box.window, "Abbrechen");

  EXPECT_TRUE(app.program().StillRunningAfter(Millis(1000)));
  EXPECT_TRUE(NoDialogOpen(app.id()));
  EXPECT_TRUE(IsEnabled(app.window()));
  EXPECT_TRUE(app.IsShown(ControlId::Frame_installationOK));
  EXPECT_FALSE(app.IsShown(ControlId::Frame_installationWarten));
  EXPECT_FALSE(std::filesystem::exists(folders_.temp_folder() / "quillset.log"));
}

TEST_F(InstanceNameTest, ATypedNameGoesUpperCasedIntoTheSetupCommand) {
  QuillsetApp app(folders_);
  const InputBoxView box = PressWeiterAndWaitForTheInputBox(app);
  TypeText(box.edit, "test");
  WaitFor("the typed name in the input box", kDefaultWait,
          [&] { return TextOf(box.edit) == "test"; });
  PressDialogButton(box.window, IDOK);

  // No setup.exe beside the assistant: the program cannot start and says how it called it.
  const MessageBoxView message = app.WaitForMessageBox();
  const std::string app_folder = folders_.app_folder().string();
  EXPECT_EQ(message.title, "quillset");
  EXPECT_EQ(message.text, SetupNotStartedMessage(
                              ExpectedSetupCommand(app_folder, folders_.temp_folder().string(),
                                                   folders_.program_files().string(), "TEST", 1)));
  PressDialogButton(message.window, IDOK);
  WaitFor("the introduction page", kDefaultWait, [&] {
    return app.IsShown(ControlId::Frame_installationOK) &&
           !app.IsShown(ControlId::Frame_installationWarten);
  });
  EXPECT_TRUE(IsEnabled(app.window()));
  EXPECT_TRUE(app.program().IsRunning());
}

}  // namespace
}  // namespace quillset::e2e
