// The "&Weiter" decision on the real Wine machine: the Server service stopped, an old server, a
// server of version 10.50, and a second press while the servers are still being asked.
#include <gtest/gtest.h>

#include "driver/expected_texts.h"
#include "driver/flow_machine.h"
#include "driver/flow_steps.h"
#include "driver/registry_contents.h"
#include "driver/test_name.h"

namespace quillset::e2e {
namespace {

using platform::ControlId;

class FlowE2EDecision : public ::testing::Test {
 protected:
  explicit FlowE2EDecision(FlowMachineOptions options = {})
      : machine_(CurrentTestName(), std::move(options)) {}

  QuillsetApp& Start() {
    app_.emplace(machine_.StartQuillset());
    return *app_;
  }

  // Nothing was started for an installation: no setup log, no instance service.
  void ExpectNoInstallationStarted() {
    EXPECT_FALSE(std::filesystem::exists(machine_.SetupLogPath()));
    EXPECT_EQ(ServiceState("MSSQL$GLOBANA"), std::nullopt);
    EXPECT_FALSE(ClientAlias().has_value());
  }

  FlowMachine machine_;
  std::optional<QuillsetApp> app_;
};

class FlowE2EDecisionServerStopped : public FlowE2EDecision {
 protected:
  FlowE2EDecisionServerStopped() : FlowE2EDecision({.server_service_running = false}) {}
};

TEST_F(FlowE2EDecisionServerStopped, RefusesAndEndsTheProgram) {
  ASSERT_FALSE(machine_.server_service().IsRunning());
  const RegistryContents registry_before = ReadRegistryContents(SqlServerRegistryTrees());
  QuillsetApp& app = Start();
  app.Click(ControlId::Cmd_Installieren);
  const BoxContent box = AnswerMessageBox(
      app, {"Achtung - Installation nicht möglich!", kServerServiceMissing, BoxIcon::Critical},
      kFlowWait, "server-service-missing");
  EXPECT_EQ(box.text.find('\n'), std::string::npos) << "line breaks are carriage returns only";
  EXPECT_EQ(app.program().WaitForExit(kFlowWait), 0u);
  EXPECT_EQ(RegistryDifferences(registry_before, ReadRegistryContents(SqlServerRegistryTrees())),
            std::vector<std::string>{});
  ExpectNoInstallationStarted();
}

TEST_F(FlowE2EDecision, AnOldServerShowsTheOldVersionPageAndAbbruchEnds) {
  // A full edition as well: the old-version test comes first.
  machine_.SetInstalledInstances({"ALTSERVER"});
  machine_.RunInstance("ALTSERVER", "Standard Edition", "7.00.623");
  QuillsetApp& app = Start();
  app.Click(ControlId::Cmd_Installieren);
  WaitForPage(app, ControlId::Frame_installationAbbruchAlteVersion);
  app.Screenshot("old-version");
  EXPECT_TRUE(IsEnabled(app.window()));
  EXPECT_TRUE(NoDialogOpen(app.id()));
  EXPECT_EQ(app.Text(ControlId::Cmd_Abbruch), "A&bbruch");

  app.Click(ControlId::Cmd_Abbruch);
  EXPECT_EQ(app.program().WaitForExit(kFlowWait), 0u);
  EXPECT_EQ(InstalledInstances(), std::vector<std::string>{"ALTSERVER"});
  ExpectNoInstallationStarted();
}

TEST_F(FlowE2EDecision, AServerOfVersion1050IsNotOldAndIsListed) {
  machine_.SetInstalledInstances({"SQL2008R2"});
  machine_.RunInstance("SQL2008R2", "Standard Edition", "10.50.1600.1");
  QuillsetApp& app = Start();
  app.Click(ControlId::Cmd_Installieren);
  WaitForPage(app, ControlId::Frame_installationGefundeneInstanzen);
  EXPECT_EQ(ListBoxItems(app.Control(ControlId::List_Instanzen)),
            std::vector<std::string>{machine_.ServerNameOf("SQL2008R2") +
                                     "\tStandard Edition\t10.50.1600.1\t"});
  ExpectIdleOn(app, ControlId::Frame_installationGefundeneInstanzen);

  app.Click(ControlId::Command2);  // "A&bbrechen" on the found-databases page
  EXPECT_EQ(app.program().WaitForExit(kFlowWait), 0u);
  ExpectNoInstallationStarted();
}

// The window stays enabled while the servers are asked; pressing "&Weiter" again meanwhile must
// not start a second run inside the first.
TEST_F(FlowE2EDecision, ASecondWeiterPressDuringTheProbesHasNoEffect) {
  machine_.SetInstalledInstances({"KALOSTD"});
  machine_.RunInstance("KALOSTD", "Standard Edition", "8.00.2039", /*delay_ms=*/1500);
  QuillsetApp& app = Start();
  ChildProgramWatch osql(app.id(), L"osql.exe");
  ChildProgramWatch net(app.id(), L"net.exe");

  app.Click(ControlId::Cmd_Installieren);
  WaitFor("the first osql call", kFlowWait, [&] { return osql.Count() > 0; });
  EXPECT_TRUE(IsEnabled(app.window()));
  app.Click(ControlId::Cmd_Installieren);
  Sleep(300);
  app.Click(ControlId::Cmd_Installieren);

  WaitForPage(app, ControlId::Frame_installationGefundeneInstanzen);
  // Time for a second run to show itself, had a press been kept for later.
  EXPECT_TRUE(app.program().StillRunningAfter(Millis(3000)));
  EXPECT_EQ(osql.Count(), 2u) << "one edition and one version query";
  EXPECT_EQ(net.Count(), 2u) << "one NET START for the instance, one net start for Server";
  EXPECT_EQ(ListBoxItems(app.Control(ControlId::List_Instanzen)),
            std::vector<std::string>{machine_.ServerNameOf("KALOSTD") +
                                     "\tStandard Edition\t8.00.2039\t"});
  ExpectIdleOn(app, ControlId::Frame_installationGefundeneInstanzen);
  ExpectNoInstallationStarted();
}

}  // namespace
}  // namespace quillset::e2e
