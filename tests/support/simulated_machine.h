// One simulated workstation: registry, programs, system and window together, with helpers that
// arrange what a real machine carries: SQL Server instances and their services, the Windows
// "Server" service, MSDE packages, folders, and a stand-in for Microsoft's MSDE setup program that
// registers an instance the way MSDE does.
#pragma once

#include <optional>
#include <set>
#include <string>
#include <vector>

#include "platform/ports.h"
#include "support/recording_window.h"
#include "support/simulated_processes.h"
#include "support/simulated_registry.h"
#include "support/simulated_system.h"

namespace quillset::testing {

// How "net start" lists the started services.
enum class NetStartLayout {
  Windows,  // German Windows: heading, empty line, names indented by 3 blanks, empty line, "done"
  Wine,     // Wine: heading, names indented by 4 blanks, nothing after the last name
};

struct SqlInstanceSpec {
  std::string name;  // "MSSQLSERVER" for the default instance
  bool running = true;
  std::string edition = "Desktop Engine";
  std::string version = "8.00.760";
  bool answers_osql = true;  // false: the service runs but osql cannot log in
};

// The stand-in for Microsoft's MSDE setup program beside the assistant.
struct SetupProgramBehaviour {
  bool present = true;           // setup.exe lies in the assistant's folder
  bool settings_present = true;  // setup.ini beside it
  bool packages_present = true;  // setup\SqlRun01.msi to setup\SqlRun16.msi
  bool fails = false;            // runs, writes its log and installs nothing
  bool creates_service = true;   // false: registers the instance but no service
  int polls_until_end = 50;      // "still running" answers before it ends by itself
};

// What the setup program saw when it ended.
struct SetupRun {
  std::string command_line;
  std::string instance_name;  // "" when the line named none
  int package_number = 0;     // 0 when the line named no package file
  bool installed = false;
  bool window_enabled = true;
  std::optional<platform::ControlId> page_in_view;
};

class SimulatedMachine {
 public:
  SimulatedMachine();
  SimulatedMachine(const SimulatedMachine&) = delete;
  SimulatedMachine& operator=(const SimulatedMachine&) = delete;

  SimulatedRegistry registry;
  SimulatedProcesses processes;
  SimulatedSystem system;
  RecordingWindow window;

  platform::Ports ports();

  // Arranging the machine.
  NetStartLayout net_start_layout = NetStartLayout::Windows;
  bool net_available = true;   // net.exe can be started
  bool osql_available = true;  // osql.exe can be started
  int net_start_polls = 3;     // how long "net start NAME" runs
  SetupProgramBehaviour setup;

  // Registers the instance in InstalledInstances (after those already there) with its service.
  void AddInstance(const SqlInstanceSpec& instance);
  // Starts or stops a service the machine knows (by service name).
  void SetServiceRunning(const std::string& service_name, bool running);
  // The Windows service "Server" (LanmanServer); it runs on a fresh machine.
  void SetServerServiceRunning(bool running);
  // What an installed MSDE package leaves: the uninstall entry of its product code.
  void InstallMsdePackage(int package_number, const std::string& instance_name);
  // A program file the platform finds when it resolves a command line (e.g. a planted C:\Mein.exe).
  void AddProgramFile(const std::string& path);

  // Looking at the machine.
  std::vector<std::string> InstalledInstanceNames() const;  // from the registry
  bool IsServiceRunning(const std::string& service_name) const;
  std::string NetStartListing() const;
  const std::vector<SetupRun>& setup_runs() const { return setup_runs_; }
  // Planted programs that were started instead of the program the command line meant.
  const std::vector<std::string>& planted_programs_run() const { return planted_programs_run_; }

  static const std::string& MsdeProductCode(int package_number);  // 1 to 16, no braces

 private:
  struct Service {
    std::string name;
    std::string display_name;
    bool running = false;
  };

  Service* FindService(const std::string& service_name);
  const Service* FindService(const std::string& service_name) const;
  void AddService(const std::string& name, const std::string& display_name, bool running);
  void WriteInstalledInstances();
  bool FileExists(const std::string& path) const;
  std::optional<std::string> ResolveProgram(const std::string& command_line) const;
  std::optional<ConsoleScript> RunConsole(const std::string& command_line);
  std::optional<ProgramScript> RunProgram(const std::string& command_line);
  std::string OsqlOutput(const std::string& command_line) const;
  void RunSetup(const std::string& command_line);

  std::vector<Service> services_;
  std::vector<SqlInstanceSpec> instances_;
  std::set<std::string> program_files_;  // normalised paths
  std::vector<SetupRun> setup_runs_;
  std::vector<std::string> planted_programs_run_;
};

}  // namespace quillset::testing
