// The machine a "&Weiter" run meets, arranged for one test and put back afterwards: the SQL
// Server registrations, the "Server" service, running instances that answer osql, the MSDE folder,
// and what a test reads back when the run is over (instances, alias, started services, setup
// log, the icon of a message box, the programs the assistant started).
#pragma once

#include <windows.h>

#include <filesystem>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "driver/process.h"
#include "driver/quillset_app.h"
#include "driver/ui.h"
#include "driver/wine_machine.h"

namespace quillset::e2e {

// The setup.ini of the MSDE folder with the stand-in's knobs (the setup's own options first).
std::string SetupIniWithKnobs(const std::string& knob_lines);

struct FlowMachineOptions {
  MsdeFolderContents contents = {.setup_ini_text = SetupIniWithKnobs("DelaySeconds=1\r\n")};
  bool server_service_running = true;
};

// One test's machine. On construction: the SQL Server registrations cleared (and put back at the
// end), every SQL Server instance service removed, the "Server" service taken over (running or
// stopped as asked) and the MSDE folder made. At the end every instance service goes again: those
// the test started and those the installation created.
class FlowMachine {
 public:
  explicit FlowMachine(const std::string& test_name, FlowMachineOptions options = {});
  ~FlowMachine();
  FlowMachine(const FlowMachine&) = delete;
  FlowMachine& operator=(const FlowMachine&) = delete;

  const MsdeMachineFolders& folders() const { return folders_; }
  StandinService& server_service() { return server_; }

  // The registry's InstalledInstances, in this order (the assistant's slots 1, 2, ...).
  void SetInstalledInstances(const std::vector<std::string>& names);
  // Starts a service for the instance (MSSQLSERVER or MSSQL$NAME, as NET START lists them) and
  // lets osql answer for it with this edition and version, after `delay_ms` of silence.
  void RunInstance(const std::string& instance, const std::string& edition,
                   const std::string& version, int delay_ms = 0);
  // The name under which the assistant asks osql: the computer name, "\" and the instance name;
  // the computer name alone for MSSQLSERVER.
  std::string ServerNameOf(const std::string& instance) const;

  // The folders' environment plus the osql stand-in's answers file.
  EnvironmentBlock Environment() const;
  // Starts quillset.exe from the MSDE folder with that environment.
  QuillsetApp StartQuillset() const;
  QuillsetApp StartQuillsetIn(const std::filesystem::path& app_folder) const;

  std::filesystem::path SetupLogPath() const { return folders_.temp_folder() / "quillset.log"; }

 private:
  std::filesystem::path OsqlAnswersPath() const;

  RegistrySnapshot snapshot_;
  MsdeMachineFolders folders_;
  StandinService server_;
  std::vector<std::unique_ptr<StandinService>> instance_services_;
  std::vector<std::string> osql_lines_;
};

// The computer name as the assistant reads it (GetComputerNameA).
std::string LocalComputerName();

// --- What the machine holds ---------------------------------------------------------------------

// InstalledInstances as a list; empty when the value is missing.
std::vector<std::string> InstalledInstances();
// The data of KORA_DB_ALIAS (or another value of the ConnectTo key), when it exists.
std::optional<RegistryValueData> ClientAlias(const std::string& name = "KORA_DB_ALIAS");
// The services NET START lists as started, one display name per entry, blanks trimmed.
std::vector<std::string> StartedServices();
// The bytes of a file; nullopt when it cannot be read.
std::optional<std::string> ReadFileBytes(const std::filesystem::path& path);

// --- What the user sees -------------------------------------------------------------------------

enum class BoxIcon { None, Information, Critical, Warning, Question, Unknown };
std::string ToString(BoxIcon icon);
// The icon of a message box, told by comparing what the screen shows with the system's icons drawn
// the same way (another process's icon handle cannot be read back).
BoxIcon IconOf(HWND message_box);

// Watches for programs with this file name (e.g. "osql.exe") that a process starts, for as long
// as the object lives, and counts them.
class ChildProgramWatch {
 public:
  ChildProgramWatch(DWORD parent_process_id, const std::wstring& exe_name);
  ~ChildProgramWatch();
  ChildProgramWatch(const ChildProgramWatch&) = delete;
  ChildProgramWatch& operator=(const ChildProgramWatch&) = delete;

  // How many were seen so far.
  std::size_t Count() const;
  // How many run at this moment.
  std::size_t RunningNow() const;

 private:
  static DWORD WINAPI Watch(void* self);
  // The matching programs that run now.
  std::set<DWORD> Running() const;
  void Look();

  DWORD parent_;
  std::wstring exe_name_;
  mutable CRITICAL_SECTION lock_;
  std::set<DWORD> seen_;
  volatile LONG stop_ = 0;
  HANDLE thread_ = nullptr;
};

}  // namespace quillset::e2e
