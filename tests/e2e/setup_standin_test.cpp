// The MSDE setup stand-in on Wine's real registry, files and service control: started with the
// command line the assistant builds, the way the assistant starts it, and judged by what the
// assistant's own inventory, package detection and service check read back afterwards.
#include <windows.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "driver/paths.h"
#include "driver/process.h"
#include "driver/quillset_app.h"
#include "driver/test_name.h"
#include "driver/wine_machine.h"
#include "inspect/instance_inventory.h"
#include "inspect/package_detection.h"
#include "inspect/registry_access.h"
#include "inspect/service_checks.h"
#include "install/setup_command.h"
#include "platform/win32/ansi_text.h"
#include "platform/win32/handle.h"
#include "platform/win32/win32_processes.h"
#include "platform/win32/win32_registry.h"

namespace quillset::e2e {
namespace {

using platform::kHkeyClassesRoot;
using platform::kHkeyLocalMachine;

constexpr char kFirst[] = "STANDINEINS";
constexpr char kSecond[] = "STANDINZWEI";
constexpr char kQuickRun[] = "[Options]\r\n[quillset-standin]\r\nDelaySeconds=0\r\n";
constexpr DWORD kInstallFailure = 1603;
constexpr DWORD kProductInstalled = 1638;
constexpr DWORD kInvalidCommandLine = 1639;
constexpr char kUninstallKey[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\";
constexpr char kComponentSetKey[] = "SOFTWARE\\Microsoft\\Microsoft SQL Server\\Component Set";

std::string ServiceNameOf(const std::string& instance) {
  return "MSSQL$" + instance;
}

std::string ReadFileText(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

std::size_t CountOf(const std::string& text, const std::string& piece) {
  std::size_t count = 0;
  for (auto at = text.find(piece); at != std::string::npos; at = text.find(piece, at + 1))
    ++count;
  return count;
}

struct ServiceConfig {
  std::wstring display_name;
  std::wstring binary_path;
  DWORD start_type = 0;
  DWORD service_type = 0;
};

inline SC_HANDLE NullService() {
  return nullptr;
}
using ScopedService = win32::UniqueHandle<SC_HANDLE, &CloseServiceHandle, &NullService>;

std::optional<ServiceConfig> ConfigOf(const std::string& service_name) {
  const ScopedService manager(OpenSCManagerW(nullptr, nullptr, SC_MANAGER_CONNECT));
  const ScopedService service(manager ? OpenServiceW(manager.get(),
                                                     win32::Utf8ToWide(service_name).c_str(),
                                                     SERVICE_QUERY_CONFIG)
                                      : nullptr);
  if (!service)
    return std::nullopt;
  DWORD needed = 0;
  QueryServiceConfigW(service.get(), nullptr, 0, &needed);
  std::vector<BYTE> buffer(needed);
  auto* config = reinterpret_cast<QUERY_SERVICE_CONFIGW*>(buffer.data());
  if (!QueryServiceConfigW(service.get(), config, needed, &needed))
    return std::nullopt;
  return ServiceConfig{config->lpDisplayName ? config->lpDisplayName : L"",
                       config->lpBinaryPathName ? config->lpBinaryPathName : L"",
                       config->dwStartType, config->dwServiceType};
}

// A scratch machine: the MSDE folder (setup.exe with the service program beside it, setup.ini,
// the sixteen packages), Temp, and a program folder with a blank in its name. The SQL Server
// registrations are cleared before and put back after; the instance services are removed.
class SetupStandinTest : public ::testing::Test {
 protected:
  explicit SetupStandinTest(MsdeFolderContents contents = {.setup_ini_text = kQuickRun})
      : snapshot_(SqlServerRegistryTrees()), folders_(CurrentTestName(), contents) {
    ClearSqlServerRegistry();
    RemoveInstanceServices();
    if (std::filesystem::exists(folders_.app_folder() / "setup.exe")) {
      folders_.scratch().CopyFileIn(StandinExePath(L"quillset_service"),
                                    "MSDE\\quillset_service.exe");
    }
    program_files_ = folders_.scratch().MakeFolder("Program Files").string();
  }

  ~SetupStandinTest() override { RemoveInstanceServices(); }

  static void RemoveInstanceServices() {
    for (const char* name : {kFirst, kSecond})
      RemoveService(ServiceNameOf(name));
  }

  std::string AppFolder() const { return folders_.app_folder().string(); }
  std::string LogPath() const { return (folders_.temp_folder() / "quillset.log").string(); }
  std::filesystem::path InstanceFolder(const std::string& name) const {
    return std::filesystem::path(program_files_) / ("MSSQL$" + name);
  }

  // The line the assistant builds for the instance and package.
  std::string SetupCommand(const std::string& instance, std::int16_t package) const {
    const std::string app = AppFolder();
    const std::string arguments =
        SetupArgumentsFor(app, SetupLogPathFor(folders_.temp_folder().string()), instance,
                          TargetFolderFor(program_files_));
    return SetupCommandFor(app, arguments, PackageOptionFor(app, package));
  }

  // Starts the line as the assistant does (CreateProcessA, no application name) and waits.
  DWORD RunToEnd(const std::string& command_line) {
    win32::Win32Processes processes;
    platform::ScopedProcess process(processes);
    if (!processes.Start(command_line, process.Receive())) {
      ADD_FAILURE() << "cannot start " << command_line;
      return 0xFFFFFFFF;
    }
    const auto handle = reinterpret_cast<HANDLE>(process.get());
    EXPECT_EQ(WaitForSingleObject(handle, 60000), WAIT_OBJECT_0) << command_line;
    DWORD code = 0xFFFFFFFF;
    GetExitCodeProcess(handle, &code);
    return code;
  }

  DWORD Install(const std::string& instance, std::int16_t package) {
    return RunToEnd(SetupCommand(instance, package));
  }

  PackageList Packages() {
    ProductCodeTable codes;
    std::string setup_product_code;
    return DetectMsdePackages(registry_, codes, setup_product_code);
  }

  std::string Value(platform::RegistryKeyHandle root, const std::string& key,
                    const std::string& name) {
    return quillset::ReadRegistryValue(registry_, root, key, name).ToText();
  }

  // What a failed run must leave: no instance, no package, no folder, no service.
  void ExpectNothingInstalled(const std::string& instance) {
    EXPECT_EQ(CountInstalledInstances(registry_), 0);
    EXPECT_EQ(Packages(), PackageList{});
    EXPECT_FALSE(std::filesystem::exists(InstanceFolder(instance)));
    EXPECT_EQ(ServiceState(ServiceNameOf(instance)), std::nullopt);
  }

  win32::Win32Registry registry_;
  RegistrySnapshot snapshot_;
  MsdeMachineFolders folders_;
  std::string program_files_;
};

TEST_F(SetupStandinTest, RegistersTheInstanceAsMsdeDoesAndNetStartStartsIt) {
  const std::string command = SetupCommand(kFirst, 1);
  ASSERT_EQ(RunToEnd(command), 0u);

  // The inventory and the package detection of the assistant find it.
  const InstanceList instances = GetInstalledInstances(registry_);
  EXPECT_EQ(instances[1], kFirst);
  EXPECT_EQ(CountInstalledInstances(registry_), 1);
  PackageList expected{};
  expected[1] = "1";
  EXPECT_EQ(Packages(), expected);

  // Each of the registrations on its own.
  const std::string code = KnownMsdeProductCodes()[1];
  EXPECT_EQ(Value(kHkeyClassesRoot, InstallerProductKeyPath(code), "ProductName"),
            "Microsoft SQL Server Desktop Engine");
  EXPECT_EQ(Value(kHkeyLocalMachine, kUninstallKey + ("{" + code + "}"), "SqlInstanceName"),
            kFirst);
  EXPECT_EQ(Value(kHkeyLocalMachine, kComponentSetKey, "InstanceComponentSet.1"), "{" + code + "}");
  const std::string instance_folder = InstanceFolder(kFirst).string();
  EXPECT_EQ(Value(kHkeyLocalMachine,
                  std::string("SOFTWARE\\Microsoft\\Microsoft SQL Server\\") + kFirst + "\\Setup",
                  "SQLPath"),
            instance_folder);

  // The instance folder below the target folder, with the server program.
  EXPECT_TRUE(std::filesystem::is_directory(InstanceFolder(kFirst) / "Binn"));
  EXPECT_TRUE(std::filesystem::is_directory(InstanceFolder(kFirst) / "Data"));
  EXPECT_TRUE(std::filesystem::is_regular_file(InstanceFolder(kFirst) / "Binn" / "sqlservr.exe"));

  // The service, installed but not started.
  const std::string service = ServiceNameOf(kFirst);
  const std::optional<ServiceConfig> config = ConfigOf(service);
  ASSERT_TRUE(config.has_value());
  EXPECT_EQ(config->display_name, win32::Utf8ToWide(service));
  EXPECT_EQ(config->start_type, static_cast<DWORD>(SERVICE_DEMAND_START));
  EXPECT_EQ(config->service_type, static_cast<DWORD>(SERVICE_WIN32_OWN_PROCESS));
  EXPECT_NE(config->binary_path.find(win32::Utf8ToWide(instance_folder) + L"\\Binn\\sqlservr.exe"),
            std::wstring::npos);
  EXPECT_EQ(ServiceState(service), static_cast<DWORD>(SERVICE_STOPPED));
  EXPECT_FALSE(ListingShowsInstanceService(RunConsoleCommand(L"NET START").output, kFirst));

  // The assistant's next step: net start, then NET START lists the service.
  const ConsoleResult started = RunConsoleCommand(win32::Utf8ToWide("net start " + service));
  EXPECT_EQ(started.exit_code, 0u) << started.output;
  EXPECT_EQ(ServiceState(service), static_cast<DWORD>(SERVICE_RUNNING));
  EXPECT_TRUE(ListingShowsInstanceService(RunConsoleCommand(L"NET START").output, kFirst));

  // The log names the line exactly as it came and the outcome.
  const std::string log = ReadFileText(LogPath());
  EXPECT_NE(log.find(command), std::string::npos) << log;
  EXPECT_NE(log.find("erfolgreich"), std::string::npos) << log;
  EXPECT_NE(log.find("Rückgabewert 0"), std::string::npos) << log;
}

TEST_F(SetupStandinTest, ASecondInstanceTakesTheNextPackageAndComponentSet) {
  ASSERT_EQ(Install(kFirst, 1), 0u);
  // The assistant's choice of package after the first installation.
  const std::int16_t next = ChooseFreePackageNumber(Packages());
  EXPECT_EQ(next, 2);
  ASSERT_EQ(Install(kSecond, next), 0u);

  const InstanceList instances = GetInstalledInstances(registry_);
  EXPECT_EQ(instances[1], kFirst);
  EXPECT_EQ(instances[2], kSecond);
  EXPECT_EQ(instances[3], "");
  PackageList expected{};
  expected[1] = "1";
  expected[2] = "2";
  EXPECT_EQ(Packages(), expected);
  EXPECT_EQ(Value(kHkeyLocalMachine, kComponentSetKey, "InstanceComponentSet.2"),
            "{" + KnownMsdeProductCodes()[2] + "}");
  EXPECT_TRUE(ConfigOf(ServiceNameOf(kFirst)).has_value());
  EXPECT_TRUE(ConfigOf(ServiceNameOf(kSecond)).has_value());
}

TEST_F(SetupStandinTest, AppendsToTheInstancesAlreadyListed) {
  ApplyRegText(
      "REGEDIT4\r\n\r\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Microsoft SQL Server]\r\n"
      "\"InstalledInstances\"=hex(7):4d,53,53,51,4c,53,45,52,56,45,52,00,00\r\n");
  ASSERT_EQ(GetInstalledInstances(registry_)[1], "MSSQLSERVER");
  ASSERT_EQ(Install(kFirst, 1), 0u);
  const InstanceList instances = GetInstalledInstances(registry_);
  EXPECT_EQ(instances[1], "MSSQLSERVER");
  EXPECT_EQ(instances[2], kFirst);
  EXPECT_EQ(CountInstalledInstances(registry_), 2);
}

TEST_F(SetupStandinTest, RefusesAPackageOrANameThatIsInstalledAlready) {
  ASSERT_EQ(Install(kFirst, 1), 0u);
  EXPECT_EQ(Install(kSecond, 1), kProductInstalled);
  EXPECT_EQ(Install(kFirst, 2), kInstallFailure);

  EXPECT_EQ(CountInstalledInstances(registry_), 1);
  PackageList expected{};
  expected[1] = "1";
  EXPECT_EQ(Packages(), expected);
  EXPECT_FALSE(ConfigOf(ServiceNameOf(kSecond)).has_value());
  // Each run appended its part to the one log.
  const std::string log = ReadFileText(LogPath());
  EXPECT_EQ(CountOf(log, "=== Ausführliche Protokollierung gestartet"), 3u) << log;
  EXPECT_NE(log.find("bereits installiert"), std::string::npos) << log;
}

TEST_F(SetupStandinTest, AMissingValueIsACommandLineError) {
  const std::string app = AppFolder();
  EXPECT_EQ(RunToEnd(app + "\\setup.exe /lv \"" + LogPath() + "\" /settings \"" + app +
                     "\\setup.ini\" INSTANCENAME= TARGETDIR=\"" + program_files_ + "\\\" /i \"" +
                     app + "\\setup\\SqlRun01.msi\" /wait"),
            kInvalidCommandLine);
  ExpectNothingInstalled(kFirst);
  EXPECT_NE(ReadFileText(LogPath()).find("INSTANCENAME="), std::string::npos);
}

TEST_F(SetupStandinTest, FindsTheServiceProgramOnThePathWhenItIsNotBesideIt) {
  std::filesystem::remove(folders_.app_folder() / "quillset_service.exe");
  // The environment the Wine tests give the assistant: the stand-ins first on PATH.
  RunningProgram setup = RunningProgram::Start(
      (folders_.app_folder() / "setup.exe").wstring(),
      win32::Utf8ToWide(SetupCommand(kFirst, 1).substr(AppFolder().size() + 11)),
      folders_.app_folder().wstring(), folders_.Environment());
  EXPECT_EQ(setup.WaitForExit(Millis(60000)), 0u);
  EXPECT_TRUE(std::filesystem::is_regular_file(InstanceFolder(kFirst) / "Binn" / "sqlservr.exe"));
  EXPECT_TRUE(ConfigOf(ServiceNameOf(kFirst)).has_value());
}

TEST_F(SetupStandinTest, WorksForTheDelayBeforeItRegistersAnything) {
  folders_.scratch().WriteFile("MSDE\\setup.ini", "[quillset-standin]\r\nDelaySeconds=3\r\n");
  win32::Win32Processes processes;
  platform::ScopedProcess process(processes);
  ASSERT_TRUE(processes.Start(SetupCommand(kFirst, 1), process.Receive()));
  const auto handle = reinterpret_cast<HANDLE>(process.get());
  // Still at work after a moment, and nothing registered yet: what the wait page shows over.
  EXPECT_EQ(WaitForSingleObject(handle, 500), static_cast<DWORD>(WAIT_TIMEOUT));
  EXPECT_EQ(CountInstalledInstances(registry_), 0);
  EXPECT_FALSE(std::filesystem::exists(InstanceFolder(kFirst)));
  ASSERT_EQ(WaitForSingleObject(handle, 60000), WAIT_OBJECT_0);
  EXPECT_EQ(GetInstalledInstances(registry_)[1], kFirst);
}

TEST_F(SetupStandinTest, FailKnobLogsAFailureAndRegistersNothing) {
  folders_.scratch().WriteFile("MSDE\\setup.ini",
                               "[quillset-standin]\r\nDelaySeconds=0\r\nFail=1\r\n");
  EXPECT_EQ(Install(kFirst, 1), kInstallFailure);
  ExpectNothingInstalled(kFirst);
  const std::string log = ReadFileText(LogPath());
  EXPECT_NE(log.find("fehlgeschlagen"), std::string::npos) << log;
  EXPECT_NE(log.find("Rückgabewert 1603"), std::string::npos) << log;
}

TEST_F(SetupStandinTest, NoServiceKnobRegistersEverythingButTheService) {
  folders_.scratch().WriteFile("MSDE\\setup.ini",
                               "[quillset-standin]\r\nDelaySeconds=0\r\nNoService=1\r\n");
  ASSERT_EQ(Install(kFirst, 1), 0u);
  EXPECT_EQ(GetInstalledInstances(registry_)[1], kFirst);
  EXPECT_EQ(Packages()[1], "1");
  EXPECT_TRUE(std::filesystem::is_directory(InstanceFolder(kFirst)));
  EXPECT_EQ(ServiceState(ServiceNameOf(kFirst)), std::nullopt);
  const ConsoleResult started =
      RunConsoleCommand(win32::Utf8ToWide("net start " + ServiceNameOf(kFirst)));
  EXPECT_NE(started.exit_code, 0u) << started.output;
  EXPECT_FALSE(ListingShowsInstanceService(RunConsoleCommand(L"NET START").output, kFirst));
}

TEST_F(SetupStandinTest, ExitCodeKnobSetsTheEndingWhateverHappened) {
  folders_.scratch().WriteFile("MSDE\\setup.ini",
                               "[quillset-standin]\r\nDelaySeconds=0\r\nExitCode=3010\r\n");
  EXPECT_EQ(Install(kFirst, 1), 3010u);
  EXPECT_EQ(GetInstalledInstances(registry_)[1], kFirst);
}

class SetupStandinWithoutSettingsTest : public SetupStandinTest {
 protected:
  SetupStandinWithoutSettingsTest() : SetupStandinTest({.setup_ini = false}) {}
};

TEST_F(SetupStandinWithoutSettingsTest, FailsAndSaysSoInItsLog) {
  EXPECT_EQ(Install(kFirst, 1), kInstallFailure);
  ExpectNothingInstalled(kFirst);
  const std::string log = ReadFileText(LogPath());
  EXPECT_NE(log.find(AppFolder() + "\\setup.ini wurde nicht gefunden"), std::string::npos) << log;
}

class SetupStandinWithoutPackagesTest : public SetupStandinTest {
 protected:
  SetupStandinWithoutPackagesTest()
      : SetupStandinTest({.setup_ini_text = kQuickRun, .package_files = false}) {}
};

TEST_F(SetupStandinWithoutPackagesTest, FailsAndSaysSoInItsLog) {
  EXPECT_EQ(Install(kFirst, 1), kInstallFailure);
  ExpectNothingInstalled(kFirst);
  const std::string log = ReadFileText(LogPath());
  EXPECT_NE(log.find("SqlRun01.msi konnte nicht geöffnet werden"), std::string::npos) << log;
}

}  // namespace
}  // namespace quillset::e2e
