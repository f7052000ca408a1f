// A whole installation run on the simulated machine, one test per way it can end.
#include "install/install_msde.h"

#include <gtest/gtest.h>

#include <new>
#include <stdexcept>
#include <string>
#include <vector>

#include "install/install_messages.h"
#include "support/simulated_machine.h"

namespace quillset {
namespace {

using platform::ControlId;
using platform::kHkeyLocalMachine;
using testing::MsgBoxCall;
using testing::ProgramScript;
using testing::SimulatedMachine;
using testing::SqlInstanceSpec;

constexpr const char* kExampleCommand =
    R"(D:\MSDE\setup.exe /lv "C:\TEMP\quillset.log" /settings "D:\MSDE\setup.ini" )"
    R"(INSTANCENAME=GLOBANA TARGETDIR="C:\Programme\" /i "D:\MSDE\setup\SqlRun01.msi" /wait)";

constexpr const char* kConnectTo = "SOFTWARE\\Microsoft\\MSSQLSERVER\\Client\\ConnectTo";

// The window's fields as the form keeps them, and the run.
struct Installation {
  ProductCodeTable MsdeProductCodes{};
  std::string SetupProductCode;
  std::int16_t InstanceCount = 0;
  std::string NewInstanceName;
  PackageList FoundPackages{};
  std::string PackageOption;
  std::string SetupArguments;
  std::string TargetFolder;

  InstallOutcome Run(SimulatedMachine& machine) {
    return InstallMsde(machine.ports(), InstallFields{MsdeProductCodes, SetupProductCode,
                                                      InstanceCount, NewInstanceName, FoundPackages,
                                                      PackageOption, SetupArguments, TargetFolder});
  }
};

// The window as the user finds it after start-up: the introduction page in view.
void ShowIntroductionPage(SimulatedMachine& machine) {
  for (ControlId frame :
       {ControlId::Frame_installationOK, ControlId::Frame_installationAbbruchAlteVersion,
        ControlId::Frame_installationGefundeneInstanzen, ControlId::Frame_installationWarten}) {
    machine.window.SetFrameVisible(frame, false);
  }
  machine.window.SetFrameVisible(ControlId::Frame_installationOK, true);
}

// The found-databases page over the introduction page, as "&Weiter" leaves it.
void ShowFoundDatabasesPage(SimulatedMachine& machine) {
  ShowIntroductionPage(machine);
  machine.window.SetFrameVisible(ControlId::Frame_installationGefundeneInstanzen, true);
}

void AddInstances(SimulatedMachine& machine, std::initializer_list<const char*> names) {
  for (const char* name : names)
    machine.AddInstance(SqlInstanceSpec{name});
}

std::string AliasData(SimulatedMachine& machine) {
  const auto value = machine.registry.GetValue(kHkeyLocalMachine, kConnectTo, "KORA_DB_ALIAS");
  return value ? value->data : std::string("<none>");
}

// Every process handle, console program and registry key the run opened is closed again.
void ExpectNothingLeftOpen(SimulatedMachine& machine) {
  EXPECT_EQ(machine.processes.open_process_handles(), 0);
  EXPECT_EQ(machine.processes.open_console_programs(), 0);
  EXPECT_EQ(machine.registry.open_handles(), 0);
}

std::vector<std::string> CallsSince(const SimulatedMachine& machine, std::size_t first) {
  const auto& calls = machine.window.calls();
  return std::vector<std::string>(calls.begin() + static_cast<std::ptrdiff_t>(first), calls.end());
}

TEST(InstallMsde, FreshMachineInstallsGlobanaAndEnds) {
  SimulatedMachine machine;
  ShowIntroductionPage(machine);
  Installation installation;

  EXPECT_EQ(installation.Run(machine), InstallOutcome::Installed);

  ASSERT_EQ(machine.setup_runs().size(), 1u);
  EXPECT_EQ(machine.setup_runs()[0].command_line, kExampleCommand);
  EXPECT_TRUE(machine.setup_runs()[0].installed);
  EXPECT_EQ(machine.processes.program_command_lines(),
            (std::vector<std::string>{kExampleCommand, "net start MSSQL$GLOBANA"}));
  EXPECT_TRUE(machine.IsServiceRunning("MSSQL$GLOBANA"));
  EXPECT_EQ(AliasData(machine),
            std::string("DBNMPNTW,\\\\.\\pipe\\MSSQL$GLOBANA\\sql\\query") + std::string(1, '\0'));

  EXPECT_EQ(machine.window.message_boxes(),
            (std::vector<MsgBoxCall>{{"Die MSDE wurde erfolgreich installiert.", 64, "quillset"}}));
  EXPECT_TRUE(machine.window.unloaded());
  EXPECT_TRUE(machine.window.input_boxes().empty());

  EXPECT_EQ(installation.NewInstanceName, "GLOBANA");
  EXPECT_EQ(installation.InstanceCount, 0);
  EXPECT_EQ(installation.TargetFolder, R"("C:\Programme\")");
  EXPECT_EQ(installation.SetupArguments,
            R"(/lv "C:\TEMP\quillset.log" /settings "D:\MSDE\setup.ini" INSTANCENAME=GLOBANA )"
            R"(TARGETDIR="C:\Programme\")");
  EXPECT_EQ(installation.PackageOption, R"( /i "D:\MSDE\setup\SqlRun01.msi")");
  EXPECT_EQ(installation.MsdeProductCodes[1], SimulatedMachine::MsdeProductCode(1));
  ExpectNothingLeftOpen(machine);
}

TEST(InstallMsde, SetupRunsBehindTheWaitPageWithTheWindowDisabled) {
  SimulatedMachine machine;
  ShowFoundDatabasesPage(machine);
  const std::size_t first = machine.window.calls().size();
  Installation installation;
  installation.Run(machine);

  ASSERT_EQ(machine.setup_runs().size(), 1u);
  EXPECT_FALSE(machine.setup_runs()[0].window_enabled);
  EXPECT_EQ(machine.setup_runs()[0].page_in_view, ControlId::Frame_installationWarten);
  const std::vector<std::string> calls = CallsSince(machine, first);
  const std::vector<std::string> wait_page = {
      "SetFrameVisible Frame_installationGefundeneInstanzen 0",
      "SetFrameVisible Frame_installationAbbruchAlteVersion 0",
      "SetFrameVisible Frame_installationOK 0",
      "SetFrameVisible Frame_installationWarten 1",
      "SetFrameTop Frame_installationWarten 10",
      "SetEnabled 0",
  };
  ASSERT_GE(calls.size(), wait_page.size());
  EXPECT_EQ(std::vector<std::string>(calls.begin(), calls.begin() + 6), wait_page);
  EXPECT_GE(machine.window.do_events_calls(), 2);  // painted during both waits
}

TEST(InstallMsde, WaitsSleepInsteadOfPolling) {
  SimulatedMachine machine;
  machine.setup.polls_until_end = 1000000;
  machine.net_start_polls = 1000000;
  Installation installation;
  EXPECT_EQ(installation.Run(machine), InstallOutcome::Installed);
  EXPECT_GE(machine.processes.wait_calls(), 2);
  EXPECT_LE(machine.processes.is_running_calls(), 8);
}

TEST(InstallMsde, SixteenInstancesAreRefused) {
  SimulatedMachine machine;
  for (int i = 1; i <= 16; ++i)
    machine.AddInstance(SqlInstanceSpec{"INST" + std::to_string(i)});
  ShowFoundDatabasesPage(machine);
  const std::size_t first = machine.window.calls().size();
  Installation installation;

  EXPECT_EQ(installation.Run(machine), InstallOutcome::RefusedTooManyInstances);

  EXPECT_EQ(machine.window.message_boxes(),
            (std::vector<MsgBoxCall>{
                {"Installation nicht möglich - es sind bereits  16 MSSQL-Server-Datenbanken "
                 "installiert! ",
                 16, "Achtung"}}));
  EXPECT_EQ(installation.InstanceCount, 16);
  EXPECT_TRUE(machine.processes.program_command_lines().empty());
  EXPECT_EQ(CallsSince(machine, first), std::vector<std::string>{"MsgBox Achtung"});
  EXPECT_EQ(machine.window.PageInView(), ControlId::Frame_installationGefundeneInstanzen);
}

std::string TakenPrompt(const std::string& name) {
  return "Installation nicht möglich - es ist bereits eine '" + name +
         "'-Instanz vorhanden. Falls Sie eine weitere MSDE-Instanz benötigen, geben Sie bitte "
         "einen anderen Namen an.\rBitte beachten Sie, dass das Globana-System nur mit einer "
         "MSDE-Instanz mit dem Namen 'GLOBANA' zusamenarbeitet. \rSollte dies auf Ihrem Rechner "
         "nicht möglich sein, dann setzen Sie sich bitte mit dem KORA-Lehrstuhl in Verbindung.";
}

TEST(InstallMsde, TakenNameAsksForAnotherAndUpperCasesTheAnswer) {
  SimulatedMachine machine;
  AddInstances(machine, {"GLOBANA"});
  machine.InstallMsdePackage(1, "GLOBANA");
  machine.window.QueueInputBoxAnswer("test");
  Installation installation;

  EXPECT_EQ(installation.Run(machine), InstallOutcome::Installed);

  ASSERT_EQ(machine.window.input_boxes().size(), 1u);
  EXPECT_EQ(machine.window.input_boxes()[0].prompt, TakenPrompt("GLOBANA"));
  EXPECT_EQ(machine.window.input_boxes()[0].title, "Achtung");
  EXPECT_EQ(installation.NewInstanceName, "TEST");
  EXPECT_EQ(installation.InstanceCount, 1);
  ASSERT_EQ(machine.setup_runs().size(), 1u);
  EXPECT_EQ(machine.setup_runs()[0].instance_name, "TEST");
  EXPECT_EQ(machine.setup_runs()[0].package_number, 2);  // package 1 serves GLOBANA
  EXPECT_EQ(machine.InstalledInstanceNames(), (std::vector<std::string>{"GLOBANA", "TEST"}));
  EXPECT_EQ(AliasData(machine),
            std::string(R"(DBNMPNTW,\\.\pipe\MSSQL$TEST\sql\query)") + std::string(1, '\0'));
  EXPECT_TRUE(machine.system.folders.count("C:\\Programme\\MSSQL$TEST"));
}

TEST(InstallMsde, SecondTakenNameIsNamedInTheNextPrompt) {
  SimulatedMachine machine;
  AddInstances(machine, {"GLOBANA", "TEST"});
  machine.window.QueueInputBoxAnswer("test");
  machine.window.QueueInputBoxAnswer("Kasse");
  Installation installation;

  EXPECT_EQ(installation.Run(machine), InstallOutcome::Installed);

  ASSERT_EQ(machine.window.input_boxes().size(), 2u);
  EXPECT_EQ(machine.window.input_boxes()[0].prompt, TakenPrompt("GLOBANA"));
  EXPECT_EQ(machine.window.input_boxes()[1].prompt, TakenPrompt("TEST"));
  EXPECT_EQ(installation.NewInstanceName, "KASSE");
  EXPECT_EQ(machine.processes.program_command_lines().back(), "net start MSSQL$KASSE");
}

TEST(InstallMsde, CancelledNameEndsSilentlyAndLeavesThePage) {
  SimulatedMachine machine;
  AddInstances(machine, {"GLOBANA"});
  ShowFoundDatabasesPage(machine);
  const std::size_t first = machine.window.calls().size();
  Installation installation;

  EXPECT_EQ(installation.Run(machine), InstallOutcome::Cancelled);

  EXPECT_TRUE(machine.window.message_boxes().empty());
  EXPECT_EQ(machine.window.input_boxes().size(), 1u);
  EXPECT_EQ(CallsSince(machine, first), std::vector<std::string>{"InputBox Achtung"});
  EXPECT_EQ(machine.window.PageInView(), ControlId::Frame_installationGefundeneInstanzen);
  EXPECT_TRUE(machine.processes.program_command_lines().empty());
  EXPECT_TRUE(machine.system.folder_queries().empty());
  EXPECT_EQ(installation.NewInstanceName, "");
}

TEST(InstallMsde, InvalidNamesAreExplainedAndAskedAgain) {
  SimulatedMachine machine;
  AddInstances(machine, {"GLOBANA"});
  machine.window.QueueInputBoxAnswer("mein server");
  machine.window.QueueInputBoxAnswer("x /qn TARGETDIR=C:\\");
  machine.window.QueueInputBoxAnswer("mssqlserver");
  machine.window.QueueInputBoxAnswer("müller");
  machine.window.QueueInputBoxAnswer("gut");
  Installation installation;

  EXPECT_EQ(installation.Run(machine), InstallOutcome::Installed);

  ASSERT_EQ(machine.window.input_boxes().size(), 5u);
  for (const auto& input_box : machine.window.input_boxes()) {
    EXPECT_EQ(input_box.prompt, TakenPrompt("GLOBANA"));
    EXPECT_EQ(input_box.title, "Achtung");
  }
  const auto& boxes = machine.window.message_boxes();
  ASSERT_EQ(boxes.size(), 5u);  // four refusals, then success
  EXPECT_EQ(boxes[0].prompt,
            "Der Name 'MEIN SERVER' ist als Instanzname nicht zulässig.\rErlaubt sind 1 bis 16 "
            "Zeichen: zuerst ein Buchstabe von A bis Z, '_', '&' oder '#', danach Buchstaben, "
            "Ziffern, '_', '$', '&' oder '#'. Die Namen DEFAULT und MSSQLSERVER sind nicht "
            "erlaubt.");
  EXPECT_EQ(boxes[0].style, 16);
  EXPECT_EQ(boxes[0].title, "Achtung");
  EXPECT_EQ(boxes[1].prompt.rfind("Der Name 'X /QN TARGETDIR=C:\\' ist", 0), 0u);
  EXPECT_EQ(boxes[2].prompt.rfind("Der Name 'MSSQLSERVER' ist", 0), 0u);
  EXPECT_EQ(boxes[3].prompt.rfind("Der Name 'MÜLLER' ist", 0), 0u);
  EXPECT_EQ(boxes[4].prompt, "Die MSDE wurde erfolgreich installiert.");
  ASSERT_EQ(machine.setup_runs().size(), 1u);
  EXPECT_EQ(machine.setup_runs()[0].instance_name, "GUT");
  EXPECT_NE(machine.setup_runs()[0].command_line.find(" INSTANCENAME=GUT TARGETDIR="),
            std::string::npos);
}

TEST(InstallMsde, InvalidNameThenCancelEndsSilently) {
  SimulatedMachine machine;
  AddInstances(machine, {"GLOBANA"});
  machine.window.QueueInputBoxAnswer("a-b");
  Installation installation;
  EXPECT_EQ(installation.Run(machine), InstallOutcome::Cancelled);
  EXPECT_EQ(machine.window.input_boxes().size(), 2u);
  EXPECT_EQ(machine.window.message_boxes().size(), 1u);
  EXPECT_TRUE(machine.processes.program_command_lines().empty());
}

TEST(InstallMsde, ExistingInstanceFolderIsRefused) {
  SimulatedMachine machine;
  machine.system.folders.insert("C:\\Programme\\MSSQL$GLOBANA");
  ShowIntroductionPage(machine);
  const std::size_t first = machine.window.calls().size();
  Installation installation;

  EXPECT_EQ(installation.Run(machine), InstallOutcome::RefusedFolderExists);

  EXPECT_EQ(
      machine.window.message_boxes(),
      (std::vector<MsgBoxCall>{{"Installation der MSDE nicht möglich. \r\rDas Verzeichnis "
                                "\"C:\\Programme\\MSSQL$GLOBANA\" muss zuerst entfernt werden",
                                16, "quillset"}}));
  EXPECT_EQ(CallsSince(machine, first), std::vector<std::string>{"MsgBox quillset"});
  EXPECT_TRUE(machine.processes.program_command_lines().empty());
}

TEST(InstallMsde, AllSixteenPackagesInstalledFailWithNumberNine) {
  SimulatedMachine machine;
  for (int number = 1; number <= 16; ++number)
    machine.InstallMsdePackage(number, "ALT");
  ShowFoundDatabasesPage(machine);
  Installation installation;

  EXPECT_EQ(installation.Run(machine), InstallOutcome::Failed);

  EXPECT_EQ(machine.window.message_boxes(),
            (std::vector<MsgBoxCall>{
                {"Der Aufruf:  ist fehlgeschlagen mit Fehlernummer 9", 16, "Achtung!"}}));
  EXPECT_EQ(machine.window.PageInView(), ControlId::Frame_installationOK);
  EXPECT_FALSE(machine.window.frame(ControlId::Frame_installationGefundeneInstanzen).visible);
  EXPECT_TRUE(machine.window.enabled());
  EXPECT_TRUE(machine.processes.program_command_lines().empty());
}

TEST(InstallMsde, MissingSetupProgramIsReportedWithTheInformationIcon) {
  SimulatedMachine machine;
  machine.setup.present = false;
  ShowFoundDatabasesPage(machine);
  const std::size_t first = machine.window.calls().size();
  Installation installation;

  EXPECT_EQ(installation.Run(machine), InstallOutcome::SetupNotStarted);

  EXPECT_EQ(
      machine.window.message_boxes(),
      (std::vector<MsgBoxCall>{{std::string("Das Installations-Programm konnte mit dem Aufruf: ") +
                                    kExampleCommand + " nicht gestartet werden!",
                                64, "quillset"}}));
  EXPECT_EQ(
      CallsSince(machine, first),
      (std::vector<std::string>{
          "MsgBox quillset", "SetFrameVisible Frame_installationGefundeneInstanzen 0",
          "SetFrameVisible Frame_installationAbbruchAlteVersion 0",
          "SetFrameVisible Frame_installationOK 1", "SetFrameVisible Frame_installationWarten 0"}));
  EXPECT_EQ(machine.window.PageInView(), ControlId::Frame_installationOK);
  EXPECT_EQ(machine.processes.program_command_lines(), std::vector<std::string>{kExampleCommand});
  ExpectNothingLeftOpen(machine);
}

TEST(InstallMsde, ServiceNotRunningNamesTheLogAndReturnsToTheIntroduction) {
  SimulatedMachine machine;
  machine.setup.creates_service = false;
  ShowFoundDatabasesPage(machine);
  Installation installation;

  EXPECT_EQ(installation.Run(machine), InstallOutcome::ServiceNotRunning);

  EXPECT_EQ(machine.window.message_boxes(),
            (std::vector<MsgBoxCall>{
                {"Die MSDE konnte nicht installiert werden. Überprüfen Sie die Datei "
                 "\"C:\\TEMP\\quillset.log\"!",
                 16, "quillset"}}));
  EXPECT_TRUE(machine.window.enabled());
  EXPECT_FALSE(machine.window.unloaded());
  EXPECT_EQ(machine.window.PageInView(), ControlId::Frame_installationOK);
  EXPECT_EQ(AliasData(machine), "<none>");
  const auto& calls = machine.window.calls();
  const std::vector<std::string> ending = {
      "MsgBox quillset",
      "SetEnabled 1",
      "SetFrameVisible Frame_installationGefundeneInstanzen 0",
      "SetFrameVisible Frame_installationAbbruchAlteVersion 0",
      "SetFrameVisible Frame_installationOK 1",
      "SetFrameVisible Frame_installationWarten 0",
  };
  ASSERT_GE(calls.size(), ending.size());
  EXPECT_EQ(std::vector<std::string>(calls.end() - 6, calls.end()), ending);
  ExpectNothingLeftOpen(machine);
}

TEST(InstallMsde, SetupThatFailsOnItsOwnEndsInMessageSeven) {
  struct Row {
    const char* label;
    void (*arrange)(SimulatedMachine&);
  };
  const Row rows[] = {
      {"setup fails", [](SimulatedMachine& m) { m.setup.fails = true; }},
      {"no setup.ini", [](SimulatedMachine& m) { m.setup.settings_present = false; }},
      {"no package files", [](SimulatedMachine& m) { m.setup.packages_present = false; }},
  };
  for (const Row& row : rows) {
    SimulatedMachine machine;
    row.arrange(machine);
    Installation installation;
    EXPECT_EQ(installation.Run(machine), InstallOutcome::ServiceNotRunning) << row.label;
    ASSERT_EQ(machine.window.message_boxes().size(), 1u) << row.label;
    EXPECT_EQ(machine.window.message_boxes()[0].prompt.rfind("Die MSDE konnte nicht", 0), 0u);
    EXPECT_TRUE(machine.InstalledInstanceNames().empty()) << row.label;
  }
}

TEST(InstallMsde, UndefinedTempGivesALogPathWithoutFolder) {
  SimulatedMachine machine;
  machine.system.environment = {"ProgramFiles=C:\\Programme"};
  machine.setup.creates_service = false;
  Installation installation;
  EXPECT_EQ(installation.Run(machine), InstallOutcome::ServiceNotRunning);
  ASSERT_EQ(machine.window.message_boxes().size(), 1u);
  EXPECT_EQ(machine.window.message_boxes()[0].prompt,
            "Die MSDE konnte nicht installiert werden. Überprüfen Sie die Datei "
            "\"\\quillset.log\"!");
  EXPECT_NE(machine.setup_runs().at(0).command_line.find(R"(/lv "\quillset.log" /settings)"),
            std::string::npos);
}

// "net start" itself cannot be started; the service check alone decides. Optionally the setup
// starts the instance's service itself, as some setups do.
void MakeNetStartUnstartable(SimulatedMachine& machine, bool setup_starts_service) {
  auto programs = machine.processes.programs;
  machine.processes.programs = [&machine, programs, setup_starts_service](
                                   const std::string& line) -> std::optional<ProgramScript> {
    if (line.rfind("net start ", 0) == 0)
      return std::nullopt;
    std::optional<ProgramScript> script = programs(line);
    if (script && setup_starts_service) {
      script->on_end = [&machine, installs = script->on_end] {
        installs();
        machine.SetServiceRunning("MSSQL$GLOBANA", true);
      };
    }
    return script;
  };
}

TEST(InstallMsde, UnstartableNetStartShowsMessageFiveThenTheServiceDecides) {
  for (bool service_runs : {false, true}) {
    SimulatedMachine machine;
    MakeNetStartUnstartable(machine, service_runs);
    Installation installation;
    EXPECT_EQ(installation.Run(machine),
              service_runs ? InstallOutcome::Installed : InstallOutcome::ServiceNotRunning);
    ASSERT_EQ(machine.window.message_boxes().size(), 2u);
    EXPECT_EQ(machine.window.message_boxes()[0],
              (MsgBoxCall{"Fehler beim Starten der MSDE", 16, "quillset"}));
    EXPECT_EQ(machine.window.message_boxes()[1].prompt,
              service_runs ? "Die MSDE wurde erfolgreich installiert."
                           : "Die MSDE konnte nicht installiert werden. Überprüfen Sie die Datei "
                             "\"C:\\TEMP\\quillset.log\"!");
    EXPECT_EQ(machine.window.unloaded(), service_runs);
    ExpectNothingLeftOpen(machine);
  }
}

TEST(InstallMsde, FolderTestFailureIsReportedWithItsNumber) {
  SimulatedMachine machine;
  machine.system.folder_test_failure = platform::kFailureCannotCreateComponent;
  ShowFoundDatabasesPage(machine);
  Installation installation;

  EXPECT_EQ(installation.Run(machine), InstallOutcome::Failed);

  ASSERT_EQ(machine.window.message_boxes().size(), 1u);
  EXPECT_EQ(machine.window.message_boxes()[0].prompt,
            "Der Aufruf:  ist fehlgeschlagen mit Fehlernummer 429");
  EXPECT_EQ(machine.window.message_boxes()[0].title, "Achtung!");
  EXPECT_EQ(machine.window.PageInView(), ControlId::Frame_installationOK);
  EXPECT_TRUE(machine.window.enabled());
}

TEST(InstallMsde, FailureDuringTheWaitsNamesTheCommandEnablesTheWindowAndClosesHandles) {
  struct Row {
    const char* label;
    void (*raise)();
    const char* number;
  };
  const Row rows[] = {
      {"index out of range", [] { throw std::out_of_range("slot"); }, "9"},
      {"out of memory", [] { throw std::bad_alloc(); }, "7"},
      {"platform failure", [] { throw platform::PlatformFailure(438, "call failed"); }, "438"},
      {"anything else", [] { throw std::runtime_error("?"); }, "51"},
  };
  for (const Row& row : rows) {
    SimulatedMachine machine;
    auto programs = machine.processes.programs;
    machine.processes.programs = [programs, &row](const std::string& line) {
      if (line.rfind("net start ", 0) == 0)
        row.raise();
      return programs(line);
    };
    Installation installation;
    EXPECT_EQ(installation.Run(machine), InstallOutcome::Failed) << row.label;
    ASSERT_EQ(machine.window.message_boxes().size(), 1u) << row.label;
    EXPECT_EQ(machine.window.message_boxes()[0].prompt,
              std::string("Der Aufruf: ") + kExampleCommand +
                  " ist fehlgeschlagen mit Fehlernummer " + row.number)
        << row.label;
    EXPECT_TRUE(machine.window.enabled()) << row.label;
    EXPECT_EQ(machine.window.PageInView(), ControlId::Frame_installationOK) << row.label;
    ExpectNothingLeftOpen(machine);
  }
}

TEST(InstallMsde, FailureWhileTheSetupRunsClosesItsHandle) {
  SimulatedMachine machine;
  machine.window.on_do_events = [] { throw std::out_of_range("slot 17"); };
  Installation installation;

  EXPECT_EQ(installation.Run(machine), InstallOutcome::Failed);

  ASSERT_EQ(machine.window.message_boxes().size(), 1u);
  EXPECT_EQ(
      machine.window.message_boxes()[0].prompt,
      std::string("Der Aufruf: ") + kExampleCommand + " ist fehlgeschlagen mit Fehlernummer 9");
  EXPECT_TRUE(machine.window.enabled());
  EXPECT_EQ(machine.window.PageInView(), ControlId::Frame_installationOK);
  EXPECT_EQ(machine.processes.program_command_lines().size(), 1u);  // no net start
  ExpectNothingLeftOpen(machine);
}

TEST(InstallMsde, DriveRootFolderKeepsTheDoubledBackslashAndInstalls) {
  SimulatedMachine machine;
  machine.system.program_folder = "D:\\";
  Installation installation;
  EXPECT_EQ(installation.Run(machine), InstallOutcome::Installed);
  ASSERT_EQ(machine.setup_runs().size(), 1u);
  EXPECT_EQ(machine.setup_runs()[0].command_line,
            R"(D:\\setup.exe /lv "C:\TEMP\quillset.log" /settings "D:\\setup.ini" )"
            R"(INSTANCENAME=GLOBANA TARGETDIR="C:\Programme\" /i "D:\\setup\SqlRun01.msi" /wait)");
}

TEST(InstallMsde, FolderWithABlankCannotStartAPlantedProgram) {
  SimulatedMachine machine;
  machine.system.program_folder = "C:\\Mein Ordner\\MSDE";
  machine.AddProgramFile("C:\\Mein.exe");
  Installation installation;
  EXPECT_EQ(installation.Run(machine), InstallOutcome::Installed);
  EXPECT_TRUE(machine.planted_programs_run().empty());
  ASSERT_EQ(machine.setup_runs().size(), 1u);
  EXPECT_EQ(
      machine.setup_runs()[0].command_line.rfind(R"("C:\Mein Ordner\MSDE\setup.exe" /lv )", 0), 0u);
}

TEST(InstallMsde, EveryRunStartsAgainWithGlobana) {
  SimulatedMachine machine;
  machine.setup.creates_service = false;
  Installation installation;
  EXPECT_EQ(installation.Run(machine), InstallOutcome::ServiceNotRunning);

  // The failed setup left GLOBANA registered with its folder and package 1.
  machine.setup.creates_service = true;
  machine.window.QueueInputBoxAnswer("zwei");
  EXPECT_EQ(installation.Run(machine), InstallOutcome::Installed);
  ASSERT_EQ(machine.window.input_boxes().size(), 1u);
  EXPECT_EQ(machine.window.input_boxes()[0].prompt, TakenPrompt("GLOBANA"));
  ASSERT_EQ(machine.setup_runs().size(), 2u);
  EXPECT_EQ(machine.setup_runs()[1].instance_name, "ZWEI");
  EXPECT_EQ(machine.setup_runs()[1].package_number, 2);
  EXPECT_EQ(installation.FoundPackages[1], "1");
}

TEST(InstallMsde, WineListingOfServicesIsJudgedTheSame) {
  SimulatedMachine machine;
  machine.net_start_layout = testing::NetStartLayout::Wine;
  Installation installation;
  EXPECT_EQ(installation.Run(machine), InstallOutcome::Installed);
}

}  // namespace
}  // namespace quillset
