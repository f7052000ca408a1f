// "&Weiter" to the end of an installation on the real Wine machine: the typical run (no SQL
// Server, the Server service running), the run through the found-databases page, the demo folder
// the build assembles, an MSDE folder with a blank in its path, and an alias that is replaced.
// Each checks the pages and boxes on the way and what the machine holds afterwards.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <iostream>

#include "driver/expected_texts.h"
#include "driver/flow_machine.h"
#include "driver/flow_steps.h"
#include "driver/paths.h"
#include "driver/test_name.h"

namespace quillset::e2e {
namespace {

using platform::ControlId;
using Pages = std::vector<ControlId>;

std::string AliasData(const std::string& instance) {
  // REG_SZ as read back: the text with its terminating NUL.
  return "DBNMPNTW,\\\\.\\pipe\\MSSQL$" + instance + "\\sql\\query" + std::string(1, '\0');
}

bool Contains(const std::vector<std::string>& items, const std::string& item) {
  return std::find(items.begin(), items.end(), item) != items.end();
}

// What the walk-through tells whoever watches the demo.
// What a walk tells: nothing, each step for the demo's viewer, or each step with the seconds
// since the walk began.
class Narrator {
 public:
  enum class Telling { Nothing, Steps, TimedSteps };
  explicit Narrator(Telling telling = Telling::Nothing) : telling_(telling) {}
  void Say(const std::string& line) const {
    if (telling_ == Telling::Steps) {
      std::cout << "[walk-through] " << line << std::endl;
    } else if (telling_ == Telling::TimedSteps) {
      char seconds[32];
      std::snprintf(seconds, sizeof seconds, "%5.1f s", SecondsSinceStart());
      std::cout << "[ TIMING   ] " << seconds << "  " << line << std::endl;
    }
  }
  double SecondsSinceStart() const {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - started_).count();
  }

 private:
  Telling telling_;
  std::chrono::steady_clock::time_point started_ = std::chrono::steady_clock::now();
};

class FlowE2E : public ::testing::Test {
 protected:
  FlowE2E() : machine_(CurrentTestName()) {}

  QuillsetApp& Start(const std::filesystem::path& app_folder) {
    app_.emplace(machine_.StartQuillsetIn(app_folder));
    return *app_;
  }
  QuillsetApp& Start() { return Start(machine_.folders().app_folder()); }

  std::string Temp() const { return machine_.folders().temp_folder().string(); }
  std::string ProgramFiles() const { return machine_.folders().program_files().string(); }

  // From the wait page to the program's end: the setup runs behind the wait page with the window
  // disabled, then the success message, OK, and the program ends with 0.
  void WaitSetupThenSucceed(QuillsetApp& app, const Narrator& narrator) {
    ChildProgramWatch setups(app.id(), L"setup.exe");
    WaitForPage(app, ControlId::Frame_installationWarten);
    WaitFor("the window to be disabled", kFlowWait, [&] { return !IsEnabled(app.window()); });
    EXPECT_FALSE(IsEnabled(app.window()));
    EXPECT_EQ(setups.RunningNow(), 1u) << "the wait page shows while the setup runs";
    EXPECT_TRUE(NoDialogOpen(app.id()));
    app.Screenshot("flow-2-wait-page");
    narrator.Say("page: wait page, window disabled, setup.exe running");

    const BoxContent box = AnswerMessageBox(app, {"quillset", kInstalled, BoxIcon::Information},
                                            kFlowWait, "flow-3-installed");
    narrator.Say("message box \"" + box.title + "\" (" + ToString(box.icon) +
                 "): " + OneLine(box.text) + " -> OK");
    EXPECT_EQ(app.program().WaitForExit(kFlowWait), 0u);
    EXPECT_EQ(setups.Count(), 1u) << "one setup run";
    narrator.Say("quillset.exe ended with exit code 0");
  }

  // What a successful installation of `instance` leaves: the instance after those installed
  // before, its service started, the alias, the setup log with the command line.
  void ExpectInstalled(const std::string& instance, const std::vector<std::string>& before,
                       const std::string& app_folder, const Narrator& narrator) {
    std::vector<std::string> expected = before;
    expected.push_back(instance);
    const std::vector<std::string> instances = InstalledInstances();
    EXPECT_EQ(instances, expected);
    std::string listed;
    for (const auto& name : instances)
      listed += (listed.empty() ? "" : ", ") + name;
    narrator.Say("InstalledInstances: " + listed);

    const std::optional<RegistryValueData> alias = ClientAlias();
    ASSERT_TRUE(alias.has_value()) << "no KORA_DB_ALIAS";
    EXPECT_EQ(alias->type, static_cast<DWORD>(REG_SZ));
    EXPECT_EQ(alias->data, AliasData(instance));
    narrator.Say("KORA_DB_ALIAS = " + alias->data.substr(0, alias->data.find('\0')));

    const std::vector<std::string> services = StartedServices();
    EXPECT_TRUE(Contains(services, "MSSQL$" + instance));
    narrator.Say("NET START:");
    for (const auto& service : services)
      narrator.Say("    " + service);

    // No package is registered on these machines: package 1.
    const std::string command =
        ExpectedSetupCommand(app_folder, Temp(), ProgramFiles(), instance, 1);
    const std::optional<std::string> log = ReadFileBytes(machine_.SetupLogPath());
    ASSERT_TRUE(log.has_value()) << "no setup log in TEMP";
    EXPECT_NE(log->find("Befehlszeile: " + command + "\r\n"), std::string::npos) << *log;
    narrator.Say("setup log " + machine_.SetupLogPath().string() + ", command line: " + command);
  }

  // The typical run from the introduction page to the installed instance.
  void WalkTheTypicalInstallation(const std::filesystem::path& app_folder,
                                  const Narrator& narrator) {
    QuillsetApp& app = Start(app_folder);
    narrator.Say("quillset.exe started from " + app_folder.string());
    WaitForPage(app, ControlId::Frame_installationOK);
    EXPECT_TRUE(IsEnabled(app.window()));
    app.Screenshot("flow-1-introduction");
    narrator.Say("page: introduction page -> \"&Weiter\"");
    app.Click(ControlId::Cmd_Installieren);
    WaitSetupThenSucceed(app, narrator);
    ExpectInstalled("GLOBANA", {}, app_folder.string(), narrator);
  }

  FlowMachine machine_;
  std::optional<QuillsetApp> app_;
};

TEST_F(FlowE2E, TypicalInstallation) {
  machine_.folders().scratch().WriteFile("MSDE\\setup.ini",
                                         SetupIniWithKnobs("DelaySeconds=2\r\n"));
  const Narrator timing(Narrator::Telling::TimedSteps);
  WalkTheTypicalInstallation(machine_.folders().app_folder(), timing);
  char seconds[32];
  std::snprintf(seconds, sizeof seconds, "%.1f", timing.SecondsSinceStart());
  RecordProperty("wall_seconds", seconds);
  timing.Say("the whole typical installation (the setup works 2 s of it)");
}

// The demo's walk: the MSDE folder the build assembles, told step by step, with screenshots.
TEST_F(FlowE2E, TypicalInstallationWalkthrough) {
  ASSERT_TRUE(std::filesystem::exists(DemoFolder() / "setup.exe")) << DemoFolder();
  WalkTheTypicalInstallation(DemoFolder(), Narrator(Narrator::Telling::Steps));
}

TEST_F(FlowE2E, FullServerListedThenInstall) {
  const std::vector<std::string> before = {"MSSQLSERVER", "KALODESK", "RUHEND"};
  machine_.SetInstalledInstances(before);
  machine_.RunInstance("MSSQLSERVER", "Standard Edition", "8.00.2039");
  machine_.RunInstance("KALODESK", "Desktop Engine", "8.00.760");
  // RUHEND is installed, its service not running: no answers, three tabs.
  QuillsetApp& app = Start();
  app.Click(ControlId::Cmd_Installieren);
  WaitForPage(app, ControlId::Frame_installationGefundeneInstanzen);
  EXPECT_EQ(ListBoxItems(app.Control(ControlId::List_Instanzen)),
            (std::vector<std::string>{
                machine_.ServerNameOf("MSSQLSERVER") + "\tStandard Edition\t8.00.2039\t",
                machine_.ServerNameOf("KALODESK") + "\tDesktop Engine\t8.00.760\t",
                machine_.ServerNameOf("RUHEND") + "\t\t\t",
            }));
  EXPECT_TRUE(IsEnabled(app.window()));
  EXPECT_TRUE(NoDialogOpen(app.id()));
  app.Screenshot("found-databases");

  app.Click(ControlId::Cmd_Neu);
  WaitSetupThenSucceed(app, Narrator());
  ExpectInstalled("GLOBANA", before, machine_.folders().app_folder().string(), Narrator());
}

// A blank in the MSDE folder's path: the program path is quoted, so that a program named like
// the path's first part ("MSDE.exe" beside "MSDE 2000") is not started instead.
TEST_F(FlowE2E, AppFolderWithABlankInstalls) {
  const std::filesystem::path folder = machine_.folders().scratch() / "MSDE 2000";
  std::filesystem::copy(machine_.folders().app_folder(), folder,
                        std::filesystem::copy_options::recursive);
  machine_.folders().scratch().CopyFileIn(StandinExePath(L"osql"), "MSDE.exe");

  QuillsetApp& app = Start(folder);
  app.Click(ControlId::Cmd_Installieren);
  WaitSetupThenSucceed(app, Narrator());
  ExpectInstalled("GLOBANA", {}, folder.string(), Narrator());
  const std::optional<std::string> log = ReadFileBytes(machine_.SetupLogPath());
  ASSERT_TRUE(log.has_value());
  EXPECT_NE(log->find("Befehlszeile: \"" + folder.string() + "\\setup.exe\" /lv "),
            std::string::npos)
      << *log;
}

TEST_F(FlowE2E, AnExistingAliasIsReplacedAndOthersStay) {
  ApplyRegText(
      "REGEDIT4\r\n\r\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\MSSQLServer\\Client\\ConnectTo]"
      "\r\n"
      "\"KORA_DB_ALIAS\"=\"DBMSSOCN,altrechner,1433\"\r\n"
      "\"BUCHHALTUNG\"=\"DBNMPNTW,\\\\\\\\.\\\\pipe\\\\MSSQL$BUCH\\\\sql\\\\query\"\r\n"
      "\"LAGER\"=\"DBMSSOCN,lager.example,1433\"\r\n");
  const std::optional<RegistryValueData> other = ClientAlias("BUCHHALTUNG");
  ASSERT_TRUE(other.has_value());
  ASSERT_EQ(other->data, std::string("DBNMPNTW,\\\\.\\pipe\\MSSQL$BUCH\\sql\\query") + '\0');
  const std::optional<RegistryValueData> third = ClientAlias("LAGER");
  ASSERT_TRUE(third.has_value());

  QuillsetApp& app = Start();
  app.Click(ControlId::Cmd_Installieren);
  WaitSetupThenSucceed(app, Narrator());
  ExpectInstalled("GLOBANA", {}, machine_.folders().app_folder().string(), Narrator());

  const std::optional<RegistryValueData> other_after = ClientAlias("BUCHHALTUNG");
  ASSERT_TRUE(other_after.has_value());
  EXPECT_EQ(other_after->type, other->type);
  EXPECT_EQ(other_after->data, other->data);
  const std::optional<RegistryValueData> third_after = ClientAlias("LAGER");
  ASSERT_TRUE(third_after.has_value());
  EXPECT_EQ(third_after->data, third->data);
}

}  // namespace
}  // namespace quillset::e2e
