#include "support/simulated_machine.h"

#include <algorithm>
#include <array>
#include <cctype>

#include "support/reg_file.h"

namespace quillset::testing {

using platform::kHkeyLocalMachine;

namespace {

constexpr const char* kSqlServerKey = "SOFTWARE\\Microsoft\\Microsoft SQL Server";
constexpr const char* kUninstallKey = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall";
constexpr const char* kServerServiceName = "LanmanServer";

// Kept here on their own rather than taken from the logic, so that a wrong table there shows.
const std::array<std::string, 17> kProductCodes = {
    "",
    "E09B48B5-E141-427A-AB0C-D3605127224A",
    "689404D2-1C94-44B3-9203-BEC5594FDA7A",
    "EFB70B01-B1F3-4960-AB69-4A280084A60C",
    "C2736CA7-76E1-4D0C-B590-483A7FFD18DA",
    "FE7E950B-220A-4182-B5CA-19397244DCFD",
    "7E5C338B-E77E-4CB4-9C1D-FB67B56B3B19",
    "F07E35BF-8B03-4777-9B5E-AE90E4FF0932",
    "C5B59406-E985-4187-84E8-68E2D9F89A47",
    "D7CE240C-0F3B-4C40-9278-C0B90E533652",
    "A519AE9C-7C79-4C5B-9127-8F46D648D5A4",
    "4541DA32-2108-43E9-9915-C71B9DE77048",
    "A5C1C914-4EF7-40ED-9BCE-FCEB4BB0C19D",
    "9FCE5BBD-D85F-4905-8A0C-12A3A86C2434",
    "F4E46404-2578-4955-B748-547957F08AB1",
    "B7300824-E68F-45F1-BAC1-5F15636C346F",
    "CD59EA85-6CBF-4C08-BE59-6C628B3D8F54",
};

// Services every workstation runs, by display name.
constexpr const char* kStandardServices[] = {
    "Arbeitsstationsdienst", "DHCP-Client", "DNS-Client",
    "Ereignisprotokoll",     "Plug & Play", "Remoteprozeduraufruf (RPC)",
    "Windows-Zeitgeber",
};

std::string Lower(std::string text) {
  std::transform(text.begin(), text.end(), text.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return text;
}

bool EqualsIgnoringCase(const std::string& a, const std::string& b) {
  return Lower(a) == Lower(b);
}

// Paths as Windows compares them: letter case ignored, repeated backslashes count as one.
std::string NormalisePath(const std::string& path) {
  std::string out;
  for (char c : Lower(path)) {
    if (c == '\\' && !out.empty() && out.back() == '\\')
      continue;
    out += c;
  }
  return out;
}

bool HasExtension(const std::string& path) {
  const auto dot = path.rfind('.');
  return dot != std::string::npos && path.find('\\', dot) == std::string::npos;
}

// The value of a switch such as INSTANCENAME= or /i: a quoted text or the token up to the next
// blank. "" when the switch is missing.
std::string SwitchValue(const std::string& line, const std::string& key) {
  auto at = line.find(key);
  if (at == std::string::npos)
    return "";
  at += key.size();
  if (at < line.size() && line[at] == '"') {
    const auto close = line.find('"', at + 1);
    return line.substr(at + 1, close == std::string::npos ? std::string::npos : close - at - 1);
  }
  const auto end = line.find(' ', at);
  return line.substr(at, end == std::string::npos ? std::string::npos : end - at);
}

int PackageNumberOf(const std::string& package_path) {
  const std::string lower = Lower(package_path);
  const auto at = lower.rfind("sqlrun");
  if (at == std::string::npos || lower.size() < at + 8)
    return 0;
  const std::string digits = lower.substr(at + 6, 2);
  if (!std::isdigit(static_cast<unsigned char>(digits[0])) ||
      !std::isdigit(static_cast<unsigned char>(digits[1])) ||
      lower.compare(at + 8, std::string::npos, ".msi") != 0) {
    return 0;
  }
  return std::stoi(digits);
}

// osql's answer to one char(20) column: heading without a name, hyphens, the value padded to 20,
// an empty line, the row count. Every line starts with a blank, as osql indents its columns.
std::string OsqlTable(std::string value) {
  value.resize(20, ' ');
  return " " + std::string(20, ' ') + " \r\n" + " " + std::string(20, '-') + " \r\n" + " " + value +
         " \r\n" + "\r\n" + "(1 row affected)\r\n";
}

std::string OsqlCannotConnect() {
  return "[Microsoft][ODBC SQL Server Driver][DBNETLIB]SQL Server does not exist or access "
         "denied.\r\n[Microsoft][ODBC SQL Server Driver][DBNETLIB]ConnectionOpen (Connect()).\r\n";
}

std::string OsqlLoginFailed() {
  return "[Microsoft][ODBC SQL Server Driver][SQL Server]Login failed for user "
         "'ARBEITSPLATZ7\\Gast'.\r\n";
}

std::string ServiceNameOf(const std::string& instance_name) {
  return instance_name == "MSSQLSERVER" ? instance_name : "MSSQL$" + instance_name;
}

}  // namespace

SimulatedMachine::SimulatedMachine() {
  for (const char* display : kStandardServices)
    AddService(display, display, true);
  AddService(kServerServiceName, "Server", true);
  processes.console_programs = [this](const std::string& line) { return RunConsole(line); };
  processes.programs = [this](const std::string& line) { return RunProgram(line); };
}

platform::Ports SimulatedMachine::ports() {
  return platform::Ports{window, registry, processes, system};
}

const std::string& SimulatedMachine::MsdeProductCode(int package_number) {
  return kProductCodes.at(static_cast<std::size_t>(package_number));
}

SimulatedMachine::Service* SimulatedMachine::FindService(const std::string& service_name) {
  for (Service& service : services_) {
    if (EqualsIgnoringCase(service.name, service_name))
      return &service;
  }
  return nullptr;
}

const SimulatedMachine::Service* SimulatedMachine::FindService(
    const std::string& service_name) const {
  return const_cast<SimulatedMachine*>(this)->FindService(service_name);
}

void SimulatedMachine::AddService(const std::string& name, const std::string& display_name,
                                  bool running) {
  if (Service* existing = FindService(name)) {
    existing->running = running;
    return;
  }
  services_.push_back(Service{name, display_name, running});
}

void SimulatedMachine::WriteInstalledInstances() {
  std::vector<std::string> names;
  for (const SqlInstanceSpec& instance : instances_)
    names.push_back(instance.name);
  registry.PutMultiString(kHkeyLocalMachine, kSqlServerKey, "InstalledInstances", names);
}

void SimulatedMachine::AddInstance(const SqlInstanceSpec& instance) {
  instances_.push_back(instance);
  WriteInstalledInstances();
  const std::string service = ServiceNameOf(instance.name);
  AddService(service, service, instance.running);
}

void SimulatedMachine::SetServiceRunning(const std::string& service_name, bool running) {
  FindService(service_name)->running = running;
}

void SimulatedMachine::SetServerServiceRunning(bool running) {
  SetServiceRunning(kServerServiceName, running);
}

void SimulatedMachine::InstallMsdePackage(int package_number, const std::string& instance_name) {
  registry.PutString(kHkeyLocalMachine,
                     std::string(kUninstallKey) + "\\{" + MsdeProductCode(package_number) + "}",
                     "SqlInstanceName", instance_name);
}

void SimulatedMachine::AddProgramFile(const std::string& path) {
  program_files_.insert(NormalisePath(path));
}

std::vector<std::string> SimulatedMachine::InstalledInstanceNames() const {
  const auto value = registry.GetValue(kHkeyLocalMachine, kSqlServerKey, "InstalledInstances");
  return value ? MultiSzEntries(value->data) : std::vector<std::string>{};
}

bool SimulatedMachine::IsServiceRunning(const std::string& service_name) const {
  const Service* service = FindService(service_name);
  return service != nullptr && service->running;
}

std::string SimulatedMachine::NetStartListing() const {
  std::vector<std::string> names;
  for (const Service& service : services_) {
    if (service.running)
      names.push_back(service.display_name);
  }
  std::sort(names.begin(), names.end(),
            [](const std::string& a, const std::string& b) { return Lower(a) < Lower(b); });
  std::string listing;
  if (net_start_layout == NetStartLayout::Windows) {
    listing = "Folgende Windows-Dienste wurden gestartet:\r\n\r\n";
    for (const std::string& name : names)
      listing += "   " + name + "\r\n";
    // The console writes in the OEM code page: "ü" is byte 0x81 there.
    listing += "\r\nDer Befehl wurde erfolgreich ausgef\x81hrt.\r\n\r\n";
  } else {
    listing = "The following services are running:\r\n";
    for (const std::string& name : names)
      listing += "    " + name + "\r\n";
  }
  return listing;
}

bool SimulatedMachine::FileExists(const std::string& path) const {
  const std::string wanted = NormalisePath(path);
  if (program_files_.count(wanted) != 0)
    return true;
  const std::string folder = system.program_folder;
  if (setup.present && wanted == NormalisePath(folder + "\\setup.exe"))
    return true;
  if (setup.settings_present && wanted == NormalisePath(folder + "\\setup.ini"))
    return true;
  if (setup.packages_present) {
    for (int number = 1; number <= 16; ++number) {
      const std::string file =
          (number < 10 ? "\\setup\\SqlRun0" : "\\setup\\SqlRun") + std::to_string(number) + ".msi";
      if (wanted == NormalisePath(folder + file))
        return true;
    }
  }
  return false;
}

// CreateProcess without an application name: a quoted first token is the program; otherwise every
// text up to a blank is tried in turn, with ".exe" added when it has no extension, and the first
// file that exists wins. Programs named without a folder are looked for on the path.
std::optional<std::string> SimulatedMachine::ResolveProgram(const std::string& line) const {
  if (!line.empty() && line.front() == '"') {
    const auto close = line.find('"', 1);
    const std::string program = line.substr(1, close == std::string::npos ? close : close - 1);
    if (FileExists(program))
      return program;
    return std::nullopt;
  }
  for (std::size_t end = line.find(' ');; end = line.find(' ', end + 1)) {
    std::string candidate = line.substr(0, end);
    if (candidate.find('\\') == std::string::npos) {
      const std::string bare = Lower(candidate);
      if (bare == "net" || bare == "net.exe") {
        return net_available ? std::optional<std::string>("C:\\WINDOWS\\system32\\net.exe")
                             : std::nullopt;
      }
    } else {
      if (!HasExtension(candidate))
        candidate += ".exe";
      if (FileExists(candidate))
        return candidate;
    }
    if (end == std::string::npos)
      return std::nullopt;
  }
}

std::optional<ConsoleScript> SimulatedMachine::RunConsole(const std::string& command_line) {
  const std::string lower = Lower(command_line);
  if (lower == "net start") {
    if (!net_available)
      return std::nullopt;
    ConsoleScript script;
    const std::string listing = NetStartListing();
    // net writes line by line.
    for (std::size_t start = 0; start < listing.size();) {
      const auto end = listing.find('\n', start);
      const std::size_t stop = end == std::string::npos ? listing.size() : end + 1;
      script.writes.push_back(listing.substr(start, stop - start));
      start = stop;
    }
    return script;
  }
  if (lower.rfind("osql ", 0) == 0) {
    if (!osql_available)
      return std::nullopt;
    return ConsoleScript{{OsqlOutput(command_line)}};
  }
  return std::nullopt;
}

std::string SimulatedMachine::OsqlOutput(const std::string& command_line) const {
  const auto server_at = command_line.find("-S ");
  const auto query_at = command_line.find(" -Q ");
  if (server_at == std::string::npos || query_at == std::string::npos) {
    return "osql: unknown option\r\n";
  }
  const std::string server = command_line.substr(server_at + 3, query_at - server_at - 3);
  const std::string computer = system.computer_name.value_or("");
  for (const SqlInstanceSpec& instance : instances_) {
    const std::string name_of_server =
        instance.name == "MSSQLSERVER" ? computer : computer + "\\" + instance.name;
    if (!EqualsIgnoringCase(server, name_of_server))
      continue;
    if (!IsServiceRunning(ServiceNameOf(instance.name)))
      return OsqlCannotConnect();
    if (!instance.answers_osql)
      return OsqlLoginFailed();
    if (command_line.find("SERVERPROPERTY('productVersion')") != std::string::npos) {
      return OsqlTable(instance.version);
    }
    if (command_line.find("SERVERPROPERTY('edition')") != std::string::npos) {
      return OsqlTable(instance.edition);
    }
    return OsqlTable("");
  }
  return OsqlCannotConnect();
}

std::optional<ProgramScript> SimulatedMachine::RunProgram(const std::string& command_line) {
  const std::optional<std::string> program = ResolveProgram(command_line);
  if (!program)
    return std::nullopt;
  const std::string normalised = NormalisePath(*program);
  if (setup.present && normalised == NormalisePath(system.program_folder + "\\setup.exe")) {
    return ProgramScript{setup.polls_until_end, [this, command_line] { RunSetup(command_line); }};
  }
  if (normalised.size() >= 8 && normalised.compare(normalised.size() - 8, 8, "\\net.exe") == 0) {
    const std::string lower = Lower(command_line);
    std::string service;
    if (lower.rfind("net start ", 0) == 0)
      service = command_line.substr(10);
    return ProgramScript{net_start_polls, [this, service] {
                           // An unknown service: net reports it and ends; nothing starts.
                           if (Service* found = FindService(service))
                             found->running = true;
                         }};
  }
  planted_programs_run_.push_back(*program);
  return ProgramScript{1, nullptr};
}

void SimulatedMachine::RunSetup(const std::string& command_line) {
  SetupRun run;
  run.command_line = command_line;
  run.instance_name = SwitchValue(command_line, "INSTANCENAME=");
  const std::string package_path = SwitchValue(command_line, "/i ");
  run.package_number = PackageNumberOf(package_path);
  run.window_enabled = window.enabled();
  run.page_in_view = window.PageInView();

  // The real setup gives up (and says so in its log) without its settings or its package.
  const bool can_install = !setup.fails && !run.instance_name.empty() &&
                           FileExists(SwitchValue(command_line, "/settings ")) &&
                           run.package_number != 0 && FileExists(package_path);
  if (can_install) {
    std::string target = SwitchValue(command_line, "TARGETDIR=");
    if (!target.empty() && target.back() == '\\')
      target.pop_back();
    instances_.push_back(SqlInstanceSpec{run.instance_name, false, "Desktop Engine", "8.00.194"});
    WriteInstalledInstances();
    InstallMsdePackage(run.package_number, run.instance_name);
    system.folders.insert(target + "\\MSSQL$" + run.instance_name);
    if (setup.creates_service) {
      const std::string service = "MSSQL$" + run.instance_name;
      AddService(service, service, false);
    }
    run.installed = true;
  }
  setup_runs_.push_back(run);
}

}  // namespace quillset::testing
