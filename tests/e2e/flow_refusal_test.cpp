// Installations that do not happen, on the real Wine machine: the instance's folder exists, 16
// instances, every package taken, no setup program, a setup that fails, a service that does not
// start. Each shows its message exactly and leaves the window as the user expects it.
#include <gtest/gtest.h>

#include "driver/expected_texts.h"
#include "driver/flow_machine.h"
#include "driver/flow_steps.h"
#include "driver/registry_contents.h"
#include "driver/test_name.h"
#include "inspect/package_detection.h"

namespace quillset::e2e {
namespace {

using platform::ControlId;

class FlowE2ERefusal : public ::testing::Test {
 protected:
  explicit FlowE2ERefusal(FlowMachineOptions options = {})
      : machine_(CurrentTestName(), std::move(options)) {}

  QuillsetApp& StartAndPressWeiter() {
    app_.emplace(machine_.StartQuillset());
    app_->Click(ControlId::Cmd_Installieren);
    return *app_;
  }

  std::string AppFolder() const { return machine_.folders().app_folder().string(); }
  std::string Temp() const { return machine_.folders().temp_folder().string(); }
  std::string ProgramFiles() const { return machine_.folders().program_files().string(); }

  void ExpectNoSetupRun() { EXPECT_FALSE(std::filesystem::exists(machine_.SetupLogPath())); }
  void ExpectNotInstalled() {
    EXPECT_EQ(ServiceState("MSSQL$GLOBANA"), std::nullopt);
    EXPECT_FALSE(ClientAlias().has_value());
  }

  FlowMachine machine_;
  std::optional<QuillsetApp> app_;
};

TEST_F(FlowE2ERefusal, TheInstanceFolderExists) {
  machine_.folders().scratch().MakeFolder("Programme\\MSSQL$GLOBANA");
  const RegistryContents registry_before = ReadRegistryContents(SqlServerRegistryTrees());
  QuillsetApp& app = StartAndPressWeiter();
  AnswerMessageBox(app,
                   {"quillset",
                    "Installation der MSDE nicht möglich. \r\rDas Verzeichnis \"" + ProgramFiles() +
                        "\\MSSQL$GLOBANA\" muss zuerst entfernt werden",
                    BoxIcon::Critical},
                   kFlowWait, "instance-folder-exists");
  ExpectIdleOn(app, ControlId::Frame_installationOK);
  ExpectNoSetupRun();
  EXPECT_EQ(RegistryDifferences(registry_before, ReadRegistryContents(SqlServerRegistryTrees())),
            std::vector<std::string>{});
}

TEST_F(FlowE2ERefusal, SixteenInstances) {
  ApplyRegFixture("machine_sixteen.reg");
  const RegistryContents registry_before = ReadRegistryContents(SqlServerRegistryTrees());
  QuillsetApp& app = StartAndPressWeiter();
  AnswerMessageBox(app,
                   {"Achtung",
                    "Installation nicht möglich - es sind bereits  16 MSSQL-Server-Datenbanken "
                    "installiert! ",
                    BoxIcon::Critical},
                   kFlowWait);
  ExpectIdleOn(app, ControlId::Frame_installationOK);
  ExpectNoSetupRun();
  EXPECT_EQ(RegistryDifferences(registry_before, ReadRegistryContents(SqlServerRegistryTrees())),
            std::vector<std::string>{});
}

TEST_F(FlowE2ERefusal, EveryPackageTakenIsAFailureNumber9) {
  std::string reg =
      "REGEDIT4\r\n\r\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Microsoft SQL "
      "Server\\Component Set]\r\n";
  for (int slot = 1; slot <= 16; ++slot) {
    reg += "\"InstanceComponentSet." + std::to_string(slot) + "\"=\"{" +
           KnownMsdeProductCodes()[static_cast<std::size_t>(slot)] + "}\"\r\n";
  }
  ApplyRegText(reg);
  QuillsetApp& app = StartAndPressWeiter();
  AnswerMessageBox(
      app, {"Achtung!", "Der Aufruf:  ist fehlgeschlagen mit Fehlernummer 9", BoxIcon::Critical},
      kFlowWait);
  ExpectIdleOn(app, ControlId::Frame_installationOK);
  ExpectNoSetupRun();
  ExpectNotInstalled();
}

class FlowE2ERefusalNoSetupProgram : public FlowE2ERefusal {
 protected:
  FlowE2ERefusalNoSetupProgram()
      : FlowE2ERefusal({.contents = {.setup_exe = false,
                                     .setup_ini_text = SetupIniWithKnobs("DelaySeconds=1\r\n")}}) {}
};

TEST_F(FlowE2ERefusalNoSetupProgram, SaysHowItCalledTheSetupAndReturns) {
  QuillsetApp& app = StartAndPressWeiter();
  AnswerMessageBox(app,
                   {"quillset",
                    SetupNotStartedMessage(
                        ExpectedSetupCommand(AppFolder(), Temp(), ProgramFiles(), "GLOBANA", 1)),
                    BoxIcon::Information},
                   kFlowWait, "setup-not-started");
  ExpectIdleOn(app, ControlId::Frame_installationOK);
  ExpectNotInstalled();
  EXPECT_TRUE(InstalledInstances().empty());
}

TEST_F(FlowE2ERefusal, ASetupThatFailsNamesTheLogAndWeiterRunsAgain) {
  machine_.folders().scratch().WriteFile("MSDE\\setup.ini",
                                         SetupIniWithKnobs("DelaySeconds=1\r\nFail=1\r\n"));
  const BoxContent not_installed = {
      "quillset",
      "Die MSDE konnte nicht installiert werden. Überprüfen Sie die Datei \"" + Temp() +
          "\\quillset.log\"!",
      BoxIcon::Critical};
  QuillsetApp& app = StartAndPressWeiter();
  WaitForPage(app, ControlId::Frame_installationWarten);
  AnswerMessageBox(app, not_installed, kFlowWait, "not-installed");
  ExpectIdleOn(app, ControlId::Frame_installationOK);

  // The introduction page is back, and "&Weiter" runs the whole way again.
  app.Click(ControlId::Cmd_Installieren);
  WaitForPage(app, ControlId::Frame_installationWarten);
  AnswerMessageBox(app, not_installed);
  ExpectIdleOn(app, ControlId::Frame_installationOK);

  const std::optional<std::string> log = ReadFileBytes(machine_.SetupLogPath());
  ASSERT_TRUE(log.has_value());
  const std::string command =
      ExpectedSetupCommand(AppFolder(), Temp(), ProgramFiles(), "GLOBANA", 1);
  const std::size_t first = log->find("Befehlszeile: " + command + "\r\n");
  ASSERT_NE(first, std::string::npos) << *log;
  EXPECT_NE(log->find("Befehlszeile: " + command + "\r\n", first + 1), std::string::npos) << *log;
  EXPECT_NE(log->find("Rückgabewert 1603"), std::string::npos) << *log;
  EXPECT_TRUE(InstalledInstances().empty());
  ExpectNotInstalled();
}

TEST_F(FlowE2ERefusal, AServiceThatDoesNotStartNamesTheLog) {
  machine_.folders().scratch().WriteFile("MSDE\\setup.ini",
                                         SetupIniWithKnobs("DelaySeconds=1\r\nNoService=1\r\n"));
  QuillsetApp& app = StartAndPressWeiter();
  AnswerMessageBox(app,
                   {"quillset",
                    "Die MSDE konnte nicht installiert werden. Überprüfen Sie die Datei \"" +
                        Temp() + "\\quillset.log\"!",
                    BoxIcon::Critical},
                   kFlowWait);
  ExpectIdleOn(app, ControlId::Frame_installationOK);
  // The setup registered the instance; only its service is missing.
  EXPECT_EQ(InstalledInstances(), std::vector<std::string>{"GLOBANA"});
  const std::vector<std::string> services = StartedServices();
  EXPECT_EQ(std::find(services.begin(), services.end(), "MSSQL$GLOBANA"), services.end());
  ExpectNotInstalled();
}

}  // namespace
}  // namespace quillset::e2e
