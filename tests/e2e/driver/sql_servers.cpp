#include "driver/sql_servers.h"

#include <windows.h>

#include <cstdio>

#include "platform/win32/ansi_text.h"

namespace quillset::e2e {

namespace {

constexpr char kDefaultInstance[] = "MSSQLSERVER";

std::string ServiceNameOf(const std::string& instance) {
  return instance == kDefaultInstance ? instance : "MSSQL$" + instance;
}

// REG_MULTI_SZ bytes of the names in .reg notation: each name and its NUL, one more NUL.
std::string MultiStringHex(const std::vector<SqlServerInstance>& instances) {
  std::string bytes;
  for (const SqlServerInstance& instance : instances)
    bytes += instance.instance + '\0';
  bytes += '\0';
  std::string hex;
  for (unsigned char byte : bytes) {
    char digits[4];
    std::snprintf(digits, sizeof digits, "%02x", byte);
    hex += (hex.empty() ? "" : ",") + std::string(digits);
  }
  return hex;
}

}  // namespace

std::string SqlServerName(const std::string& instance) {
  char name[MAX_COMPUTERNAME_LENGTH + 1] = {};
  DWORD length = sizeof name;
  if (!GetComputerNameA(name, &length))
    throw DriverError("GetComputerNameA failed, error " + std::to_string(GetLastError()));
  const std::string computer(name, length);
  return instance == kDefaultInstance ? computer : computer + "\\" + instance;
}

RunningSqlServers::RunningSqlServers(const ScratchFolder& scratch,
                                     std::vector<SqlServerInstance> instances)
    : answers_(scratch / "osql-answers.txt") {
  ApplyRegText(
      "REGEDIT4\r\n\r\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Microsoft SQL Server]\r\n"
      "\"InstalledInstances\"=hex(7):" +
      MultiStringHex(instances) + "\r\n");
  std::string answers;
  for (const SqlServerInstance& instance : instances) {
    const std::string server = SqlServerName(instance.instance);
    answers += server + "|edition|" + instance.edition + "\r\n";
    answers += server + "|productVersion|" + instance.version + "\r\n";
  }
  scratch.WriteFile("osql-answers.txt", answers);
  for (const SqlServerInstance& instance : instances) {
    const std::string service = ServiceNameOf(instance.instance);
    services_.push_back(std::make_unique<StandinService>(service, service));
    services_.back()->Start();
  }
}

RunningSqlServers::~RunningSqlServers() = default;

void RunningSqlServers::AddTo(EnvironmentBlock& environment) const {
  environment.Set(L"QUILLSET_OSQL_ANSWERS", answers_.wstring());
}

}  // namespace quillset::e2e
