// GLOBANA taken, on the real Wine machine: names that cannot be instance names are refused and
// asked for again, a valid name is installed under its upper-case form, and cancelling changes
// nothing.
#include <gtest/gtest.h>

#include "driver/expected_texts.h"
#include "driver/flow_machine.h"
#include "driver/flow_steps.h"
#include "driver/registry_contents.h"
#include "driver/test_name.h"
#include "platform/win32/input_box.h"

namespace quillset::e2e {
namespace {

using platform::ControlId;

std::string InvalidNameMessage(const std::string& name) {
  return "Der Name '" + name +
         "' ist als Instanzname nicht zulässig.\rErlaubt sind 1 bis 16 Zeichen: zuerst ein "
         "Buchstabe von A bis Z, '_', '&' oder '#', danach Buchstaben, Ziffern, '_', '$', '&' "
         "oder '#'. Die Namen DEFAULT und MSSQLSERVER sind nicht erlaubt.";
}

class FlowE2EInstanceName : public ::testing::Test {
 protected:
  FlowE2EInstanceName() : machine_(CurrentTestName()) {
    ApplyRegFixture("e2e_globana_installed.reg");
  }

  QuillsetApp& StartAndPressWeiter() {
    app_.emplace(machine_.StartQuillset());
    app_->Click(ControlId::Cmd_Installieren);
    return *app_;
  }

  // Waits for the input box, checks that it asks about GLOBANA with an empty field, types the
  // answer and presses OK.
  void Answer(const std::string& typed) {
    const InputBoxView box = app_->WaitForInputBox(kFlowWait);
    EXPECT_EQ(box.title, "Achtung");
    EXPECT_EQ(TextOf(GetDlgItem(box.window, win32::kInputBoxPromptId)), kNameTakenPrompt);
    EXPECT_EQ(TextOf(box.edit), "");
    TypeText(box.edit, typed);
    WaitFor("\"" + typed + "\" in the input box", kDefaultWait,
            [&] { return TextOf(box.edit) == typed; });
    PressDialogButton(box.window, IDOK);
  }

  FlowMachine machine_;
  std::optional<QuillsetApp> app_;
};

TEST_F(FlowE2EInstanceName, InvalidNamesAreAskedAgainThenTestIsInstalled) {
  StartAndPressWeiter();
  Answer("bad name");
  AnswerMessageBox(*app_, {"Achtung", InvalidNameMessage("BAD NAME"), BoxIcon::Critical}, kFlowWait,
                   "invalid-instance-name");
  Answer("x /qn");
  AnswerMessageBox(*app_, {"Achtung", InvalidNameMessage("X /QN"), BoxIcon::Critical});
  Answer("test");

  WaitForPage(*app_, ControlId::Frame_installationWarten);
  AnswerMessageBox(*app_, {"quillset", kInstalled, BoxIcon::Information});
  EXPECT_EQ(app_->program().WaitForExit(kFlowWait), 0u);

  EXPECT_EQ(InstalledInstances(), (std::vector<std::string>{"GLOBANA", "TEST"}));
  const std::optional<RegistryValueData> alias = ClientAlias();
  ASSERT_TRUE(alias.has_value());
  EXPECT_EQ(alias->type, static_cast<DWORD>(REG_SZ));
  EXPECT_EQ(alias->data, std::string("DBNMPNTW,\\\\.\\pipe\\MSSQL$TEST\\sql\\query") + '\0');
  const std::vector<std::string> services = StartedServices();
  EXPECT_NE(std::find(services.begin(), services.end(), "MSSQL$TEST"), services.end());
  EXPECT_EQ(ServiceState("MSSQL$GLOBANA"), std::nullopt);

  // Exactly one setup run, with the name the user typed, upper-cased.
  const std::optional<std::string> log = ReadFileBytes(machine_.SetupLogPath());
  ASSERT_TRUE(log.has_value());
  const std::string command = ExpectedSetupCommand(
      machine_.folders().app_folder().string(), machine_.folders().temp_folder().string(),
      machine_.folders().program_files().string(), "TEST", 1);
  EXPECT_NE(log->find("Befehlszeile: " + command + "\r\n"), std::string::npos) << *log;
  EXPECT_EQ(log->find("Befehlszeile: "), log->rfind("Befehlszeile: ")) << *log;
}

TEST_F(FlowE2EInstanceName, CancellingChangesNothing) {
  const RegistryContents registry_before = ReadRegistryContents(SqlServerRegistryTrees());
  StartAndPressWeiter();
  const InputBoxView box = app_->WaitForInputBox(kFlowWait);
  PressDialogButton(box.window, "Abbrechen");
  ExpectIdleOn(*app_, ControlId::Frame_installationOK);
  EXPECT_FALSE(std::filesystem::exists(machine_.SetupLogPath()));
  EXPECT_EQ(RegistryDifferences(registry_before, ReadRegistryContents(SqlServerRegistryTrees())),
            std::vector<std::string>{});
}

}  // namespace
}  // namespace quillset::e2e
