#include "support/machine.h"

#include <windows.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <stdexcept>

#include "platform/win32/handle.h"

namespace quillset::bench {

namespace {

namespace fs = std::filesystem;

SC_HANDLE NoService() {
  return nullptr;
}
using ScopedService = win32::UniqueHandle<SC_HANDLE, &CloseServiceHandle, &NoService>;

constexpr wchar_t kSqlServerKey[] = L"SOFTWARE\\Microsoft\\Microsoft SQL Server";

DWORD StateOf(SC_HANDLE service) {
  SERVICE_STATUS status{};
  return QueryServiceStatus(service, &status) ? status.dwCurrentState : 0;
}

// Starts or stops the service and waits until it runs or has stopped; false when it does not.
// Wine now and then fails a start with an internal error; the next start succeeds.
bool Bring(SC_HANDLE service, DWORD wanted) {
  SERVICE_STATUS status{};
  for (int attempt = 0; attempt < 3 && StateOf(service) != wanted; ++attempt) {
    if (wanted == SERVICE_RUNNING)
      StartServiceW(service, 0, nullptr);
    else
      ControlService(service, SERVICE_CONTROL_STOP, &status);
    for (int i = 0; i < 100 && StateOf(service) != wanted; ++i)
      Sleep(50);
  }
  return StateOf(service) == wanted;
}

// Creates the service, served by the stand-in service program, or takes it over (Wine has a
// LanmanServer of its own, disabled), and starts it.
void StartService(const std::wstring& name, const std::wstring& display) {
  const ScopedService manager(OpenSCManagerW(nullptr, nullptr, SC_MANAGER_ALL_ACCESS));
  const std::wstring program =
      L"\"" + Machine::BuildFile(L"tests\\standins\\quillset_service.exe") + L"\"";
  ScopedService service(CreateServiceW(manager.get(), name.c_str(), display.c_str(),
                                       SERVICE_ALL_ACCESS, SERVICE_WIN32_OWN_PROCESS,
                                       SERVICE_DEMAND_START, SERVICE_ERROR_NORMAL, program.c_str(),
                                       nullptr, nullptr, nullptr, nullptr, nullptr));
  if (!service) {
    service.reset(OpenServiceW(manager.get(), name.c_str(), SERVICE_ALL_ACCESS));
    ChangeServiceConfigW(service.get(), SERVICE_WIN32_OWN_PROCESS, SERVICE_DEMAND_START,
                         SERVICE_NO_CHANGE, program.c_str(), nullptr, nullptr, nullptr, nullptr,
                         nullptr, display.c_str());
  }
  if (!Bring(service.get(), SERVICE_RUNNING))
    throw std::runtime_error("a service did not start");
}

void RemoveService(const std::wstring& name) {
  const ScopedService manager(OpenSCManagerW(nullptr, nullptr, SC_MANAGER_ALL_ACCESS));
  const ScopedService service(OpenServiceW(manager.get(), name.c_str(), SERVICE_ALL_ACCESS));
  if (service) {
    Bring(service.get(), SERVICE_STOPPED);
    DeleteService(service.get());
  }
}

}  // namespace

std::wstring Machine::BuildFile(const std::wstring& relative) {
  std::wstring path = L"Z:" + fs::path(QUILLSET_BUILD).wstring() + L"\\" + relative;
  std::replace(path.begin(), path.end(), L'/', L'\\');
  return path;
}

std::string Machine::ServerName(int instance) {
  char computer[MAX_COMPUTERNAME_LENGTH + 1] = {};
  DWORD size = sizeof computer;
  GetComputerNameA(computer, &size);
  return std::string(computer) + "\\I" + std::to_string(instance);
}

Machine::Machine(int instances, const std::string& answer, const std::string& standin_settings) {
  // Wine starts its desktop process (explorer.exe) for the first program that needs the desktop
  // and ends it after the last: taken here, it is never started inside a measured program's job.
  GetDesktopWindow();
  Clear();
  StartService(L"LanmanServer", L"Server");
  std::wstring names;
  std::ofstream answers("C:\\quillset-bench\\osql.txt", std::ios::binary);
  for (int instance = 1; instance <= instances; ++instance) {
    const std::wstring service = L"MSSQL$I" + std::to_wstring(instance);
    StartService(service, service);
    names += service.substr(6) + L'\0';
    answers << ServerName(instance) << " | " << answer << "\n";
  }
  names += L'\0';
  win32::ScopedKey key;
  if (instances > 0 &&
      (RegCreateKeyExW(HKEY_LOCAL_MACHINE, kSqlServerKey, 0, nullptr, 0, KEY_SET_VALUE, nullptr,
                       key.receive(), nullptr) != ERROR_SUCCESS ||
       RegSetValueExW(key.get(), L"InstalledInstances", 0, REG_MULTI_SZ,
                      reinterpret_cast<const BYTE*>(names.data()),
                      static_cast<DWORD>(names.size() * sizeof(wchar_t))) != ERROR_SUCCESS))
    throw std::runtime_error("cannot write InstalledInstances");
  fs::copy(BuildFile(L"demo"), kAppFolder, fs::copy_options::recursive);
  std::ofstream(fs::path(kAppFolder) / "setup.ini", std::ios::binary)
      << "[Options]\r\n[quillset-standin]\r\n"
      << standin_settings << "\r\n";
  const std::wstring path = BuildFile(L"tests\\standins") + L";C:\\windows\\system32;C:\\windows";
  SetEnvironmentVariableW(L"PATH", path.c_str());
  SetEnvironmentVariableW(L"QS_OSQL_ANSWERS", L"C:\\quillset-bench\\osql.txt");
}

void Machine::Clear() {
  for (int instance = 1; instance <= 16; ++instance)
    RemoveService(L"MSSQL$I" + std::to_wstring(instance));
  RemoveService(L"MSSQL$GLOBANA");
  RegDeleteTreeW(HKEY_LOCAL_MACHINE, kSqlServerKey);
  RegDeleteTreeW(HKEY_LOCAL_MACHINE, L"SOFTWARE\\Microsoft\\MSSQLServer");
  std::error_code ignored;
  fs::remove_all(L"C:\\quillset-bench", ignored);
  fs::create_directories(L"C:\\quillset-bench", ignored);
}

}  // namespace quillset::bench
