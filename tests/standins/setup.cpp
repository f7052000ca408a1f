// Stands in for Microsoft's MSDE 2000 setup program in the Wine tests and the demo. It reads the
// same command line (/lv, /settings, INSTANCENAME=, TARGETDIR=, /i, /wait), writes a setup log,
// gives up like the real one when its settings file or package file is missing, and otherwise
// registers the named instance the way MSDE does: InstalledInstances, the package's product code
// (Windows Installer product, uninstall entry, component set), the instance's own keys, the
// folder MSSQL$NAME below the target folder and the service MSSQL$NAME, served by the stand-in
// service program quillset_service.exe copied in as Binn\sqlservr.exe.
//
// Knobs for tests come from a section of its own in the settings file:
//   [quillset-standin]
//   DelaySeconds=2   how long it works before it registers anything (2 when not given)
//   Fail=1           logs a failure after the delay and ends with 1603, registering nothing
//   NoService=1      registers everything but the service
//   ExitCode=N       ends with N whatever happened (the assistant does not read the exit code)
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cwctype>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/win32/handle.h"
#include "setup_command_line.h"

namespace {

using quillset::standin::ParseSetupCommandLine;
using quillset::standin::SetupCommandLine;
using quillset::win32::ScopedFile;
using quillset::win32::ScopedKey;

inline SC_HANDLE NullService() {
  return nullptr;
}
using ScopedService = quillset::win32::UniqueHandle<SC_HANDLE, &CloseServiceHandle, &NullService>;

// The Windows Installer's exit codes, as the real setup passes them on.
constexpr DWORD kSuccess = ERROR_SUCCESS;
constexpr DWORD kInstallFailure = 1603;      // ERROR_INSTALL_FAILURE
constexpr DWORD kPackageInvalid = 1620;      // ERROR_INSTALL_PACKAGE_INVALID
constexpr DWORD kProductInstalled = 1638;    // ERROR_PRODUCT_VERSION
constexpr DWORD kInvalidCommandLine = 1639;  // ERROR_INVALID_COMMAND_LINE

constexpr wchar_t kKnobSection[] = L"quillset-standin";
constexpr DWORD kDefaultDelaySeconds = 2;

constexpr wchar_t kProductName[] = L"Microsoft SQL Server Desktop Engine";
constexpr wchar_t kProductVersion[] = L"8.00.194";
constexpr wchar_t kSqlServerKey[] = L"SOFTWARE\\Microsoft\\Microsoft SQL Server";
constexpr wchar_t kComponentSetKey[] = L"SOFTWARE\\Microsoft\\Microsoft SQL Server\\Component Set";
constexpr wchar_t kDefaultInstanceSetupKey[] = L"SOFTWARE\\Microsoft\\MSSQLServer\\Setup";
constexpr wchar_t kUninstallKey[] = L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\";
constexpr wchar_t kInstallerProductsKey[] = L"Installer\\Products\\";
constexpr wchar_t kServiceProgram[] = L"quillset_service.exe";
constexpr int kMaxInstances = 16;

// The product codes of the packages SqlRun01.msi to SqlRun16.msi, in that order.
constexpr const wchar_t* kProductCodes[] = {
    L"E09B48B5-E141-427A-AB0C-D3605127224A", L"689404D2-1C94-44B3-9203-BEC5594FDA7A",
    L"EFB70B01-B1F3-4960-AB69-4A280084A60C", L"C2736CA7-76E1-4D0C-B590-483A7FFD18DA",
    L"FE7E950B-220A-4182-B5CA-19397244DCFD", L"7E5C338B-E77E-4CB4-9C1D-FB67B56B3B19",
    L"F07E35BF-8B03-4777-9B5E-AE90E4FF0932", L"C5B59406-E985-4187-84E8-68E2D9F89A47",
    L"D7CE240C-0F3B-4C40-9278-C0B90E533652", L"A519AE9C-7C79-4C5B-9127-8F46D648D5A4",
    L"4541DA32-2108-43E9-9915-C71B9DE77048", L"A5C1C914-4EF7-40ED-9BCE-FCEB4BB0C19D",
    L"9FCE5BBD-D85F-4905-8A0C-12A3A86C2434", L"F4E46404-2578-4955-B748-547957F08AB1",
    L"B7300824-E68F-45F1-BAC1-5F15636C346F", L"CD59EA85-6CBF-4C08-BE59-6C628B3D8F54",
};

// --- Text -------------------------------------------------------------------------------------

std::string ToUtf8(const std::wstring& text) {
  if (text.empty())
    return {};
  const int size = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()),
                                       nullptr, 0, nullptr, nullptr);
  std::string out(static_cast<std::size_t>(size), '\0');
  WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), out.data(), size,
                      nullptr, nullptr);
  return out;
}

std::wstring Upper(std::wstring text) {
  if (!text.empty())
    CharUpperBuffW(text.data(), static_cast<DWORD>(text.size()));
  return text;
}

std::wstring Number(unsigned long value) {
  return std::to_wstring(value);
}

// The Windows Installer's packed form of a product code: the first three groups reversed, the
// digit pairs of the last two groups swapped, no hyphens.
std::wstring PackedProductCode(const std::wstring& code) {
  std::wstring packed;
  const auto reversed = [&](std::size_t from, std::size_t length) {
    packed.append(code.rbegin() + static_cast<std::ptrdiff_t>(code.size() - from - length),
                  code.rbegin() + static_cast<std::ptrdiff_t>(code.size() - from));
  };
  const auto pairs_swapped = [&](std::size_t from, std::size_t length) {
    for (std::size_t at = from; at < from + length; at += 2) {
      packed += code[at + 1];
      packed += code[at];
    }
  };
  reversed(0, 8);
  reversed(9, 4);
  reversed(14, 4);
  pairs_swapped(19, 4);
  pairs_swapped(24, 12);
  return packed;
}

// 1 to 16 for a file named SqlRun01.msi to SqlRun16.msi (any letter case), else 0.
int PackageNumberOf(const std::wstring& package_path) {
  const std::size_t slash = package_path.find_last_of(L"\\/");
  const std::wstring name = Upper(package_path.substr(slash == std::wstring::npos ? 0 : slash + 1));
  if (name.size() != 12 || name.compare(0, 6, L"SQLRUN") != 0 || name.compare(8, 4, L".MSI") != 0)
    return 0;
  if (!iswdigit(name[6]) || !iswdigit(name[7]))
    return 0;
  const int number = (name[6] - L'0') * 10 + (name[7] - L'0');
  return number >= 1 && number <= 16 ? number : 0;
}

// SQL Server's rule for instance names, as far as it keeps keys, folders and the service sound:
// at most 16 characters, none that a path, a key or a command line would take apart.
bool IsValidInstanceName(const std::wstring& name) {
  if (name.empty() || name.size() > 16)
    return false;
  return std::none_of(name.begin(), name.end(), [](wchar_t c) {
    return c < 0x20 || std::wstring_view(L" \\/:*?\"<>|,;'=.-").find(c) != std::wstring_view::npos;
  });
}

std::wstring JoinPath(const std::wstring& folder, const std::wstring& name) {
  if (!folder.empty() && (folder.back() == L'\\' || folder.back() == L'/'))
    return folder + name;
  return folder + L"\\" + name;
}

// --- The log ----------------------------------------------------------------------------------

std::wstring Timestamp() {
  SYSTEMTIME now = {};
  GetLocalTime(&now);
  wchar_t text[32];
  swprintf(text, 32, L"%02u.%02u.%04u %02u:%02u:%02u", now.wDay, now.wMonth, now.wYear, now.wHour,
           now.wMinute, now.wSecond);
  return text;
}

// The verbose log named by /lv, appended to as the real setup does; UTF-8 with a byte order mark
// when it starts a new file. Without /lv nothing is written.
class SetupLog {
 public:
  explicit SetupLog(const std::wstring& path) {
    if (path.empty())
      return;
    file_.reset(CreateFileW(path.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE,
                            nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    LARGE_INTEGER size = {};
    if (file_ && GetFileSizeEx(file_.get(), &size) && size.QuadPart == 0)
      Write("\xEF\xBB\xBF");
  }

  bool is_open() const { return static_cast<bool>(file_); }

  void Line(const std::wstring& text) { Write(ToUtf8(text) + "\r\n"); }
  void Step(const std::wstring& text) { Line(L"MSI (s) (" + Timestamp() + L"): " + text); }

 private:
  void Write(const std::string& bytes) {
    if (!file_)
      return;
    DWORD written = 0;
    WriteFile(file_.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
  }

  ScopedFile file_;
};

// --- Files and folders ------------------------------------------------------------------------

bool FileExists(const std::wstring& path) {
  const DWORD attributes = GetFileAttributesW(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

bool FolderExists(const std::wstring& path) {
  const DWORD attributes = GetFileAttributesW(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

// Creates the folder and every missing folder above it.
bool CreateFolderPath(const std::wstring& path) {
  for (std::size_t at = path.find_first_of(L"\\/"); at != std::wstring::npos;
       at = path.find_first_of(L"\\/", at + 1)) {
    const std::wstring prefix = path.substr(0, at);
    if (!prefix.empty() && prefix.back() != L':' && !FolderExists(prefix))
      CreateDirectoryW(prefix.c_str(), nullptr);
  }
  if (!FolderExists(path))
    CreateDirectoryW(path.c_str(), nullptr);
  return FolderExists(path);
}

// The service program: beside this program first, then where Windows looks for programs.
std::wstring FindServiceProgram() {
  wchar_t found[MAX_PATH] = {};
  const DWORD length = SearchPathW(nullptr, kServiceProgram, nullptr, MAX_PATH, found, nullptr);
  return length > 0 && length < MAX_PATH ? std::wstring(found, length) : std::wstring();
}

// --- Registry ---------------------------------------------------------------------------------

ScopedKey CreateKey(HKEY root, const std::wstring& path) {
  ScopedKey key;
  RegCreateKeyExW(root, path.c_str(), 0, nullptr, 0, KEY_READ | KEY_WRITE, nullptr, key.receive(),
                  nullptr);
  return key;
}

bool KeyExists(HKEY root, const std::wstring& path) {
  ScopedKey key;
  return RegOpenKeyExW(root, path.c_str(), 0, KEY_READ, key.receive()) == ERROR_SUCCESS;
}

bool SetText(const ScopedKey& key, const wchar_t* name, const std::wstring& value) {
  const auto bytes = static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t));
  return key && RegSetValueExW(key.get(), name, 0, REG_SZ,
                               reinterpret_cast<const BYTE*>(value.c_str()), bytes) == 0;
}

std::optional<std::wstring> ReadText(HKEY root, const std::wstring& path, const wchar_t* name,
                                     DWORD* type_out = nullptr) {
  ScopedKey key;
  if (RegOpenKeyExW(root, path.c_str(), 0, KEY_READ, key.receive()) != ERROR_SUCCESS)
    return std::nullopt;
  DWORD type = 0;
  DWORD size = 0;
  if (RegQueryValueExW(key.get(), name, nullptr, &type, nullptr, &size) != ERROR_SUCCESS)
    return std::nullopt;
  if (type != REG_SZ && type != REG_MULTI_SZ && type != REG_EXPAND_SZ)
    return std::nullopt;
  std::wstring data(size / sizeof(wchar_t) + 1, L'\0');
  if (RegQueryValueExW(key.get(), name, nullptr, &type, reinterpret_cast<BYTE*>(data.data()),
                       &size) != ERROR_SUCCESS) {
    return std::nullopt;
  }
  data.resize(size / sizeof(wchar_t));
  if (type_out != nullptr)
    *type_out = type;
  return data;
}

// InstalledInstances as a list of names; a missing value is an empty list.
std::vector<std::wstring> InstalledInstances() {
  std::vector<std::wstring> names;
  const std::optional<std::wstring> data =
      ReadText(HKEY_LOCAL_MACHINE, kSqlServerKey, L"InstalledInstances");
  if (!data)
    return names;
  std::wstring current;
  for (const wchar_t c : *data) {
    if (c != L'\0') {
      current += c;
    } else if (!current.empty()) {
      names.push_back(current);
      current.clear();
    }
  }
  if (!current.empty())
    names.push_back(current);
  return names;
}

bool WriteInstalledInstances(const std::vector<std::wstring>& names) {
  std::wstring data;
  for (const std::wstring& name : names) {
    data += name;
    data += L'\0';
  }
  data += L'\0';
  const ScopedKey key = CreateKey(HKEY_LOCAL_MACHINE, kSqlServerKey);
  return key && RegSetValueExW(key.get(), L"InstalledInstances", 0, REG_MULTI_SZ,
                               reinterpret_cast<const BYTE*>(data.data()),
                               static_cast<DWORD>(data.size() * sizeof(wchar_t))) == 0;
}

// The first InstanceComponentSet.N (N = 1 to 16) that is not taken, or 0.
int FreeComponentSet() {
  for (int n = 1; n <= kMaxInstances; ++n) {
    if (!ReadText(HKEY_LOCAL_MACHINE, kComponentSetKey,
                  (L"InstanceComponentSet." + Number(static_cast<unsigned long>(n))).c_str())) {
      return n;
    }
  }
  return 0;
}

bool SameInstanceName(const std::wstring& a, const std::wstring& b) {
  return Upper(a) == Upper(b);
}

// --- The installation -------------------------------------------------------------------------

struct Knobs {
  DWORD delay_seconds = kDefaultDelaySeconds;
  bool fail = false;
  bool no_service = false;
  std::optional<DWORD> exit_code;
};

Knobs ReadKnobs(const std::wstring& settings_path) {
  const wchar_t* file = settings_path.c_str();
  Knobs knobs;
  knobs.delay_seconds = GetPrivateProfileIntW(kKnobSection, L"DelaySeconds",
                                              static_cast<INT>(kDefaultDelaySeconds), file);
  knobs.fail = GetPrivateProfileIntW(kKnobSection, L"Fail", 0, file) != 0;
  knobs.no_service = GetPrivateProfileIntW(kKnobSection, L"NoService", 0, file) != 0;
  wchar_t exit_code[32] = {};
  if (GetPrivateProfileStringW(kKnobSection, L"ExitCode", L"", exit_code, 32, file) > 0)
    knobs.exit_code = wcstoul(exit_code, nullptr, 10);
  return knobs;
}

// What one installation creates, worked out and checked before anything is changed.
struct InstallPlan {
  std::wstring instance_name;
  std::wstring product_code;  // without braces
  std::wstring package_file;  // the file name of the package
  std::wstring instance_folder;
  std::wstring service_name;
  std::wstring service_program;  // "" without the service program
  int component_set = 0;
  bool with_service = true;
};

class Setup {
 public:
  Setup(SetupCommandLine line, SetupLog& log) : line_(std::move(line)), log_(log) {}

  DWORD Run();

 private:
  DWORD Fail(DWORD code, const std::wstring& reason) {
    log_.Step(L"Fehler: " + reason);
    log_.Step(L"Produkt: " + std::wstring(kProductName) +
              L" -- Installation failed. Die Installation ist fehlgeschlagen.");
    return code;
  }
  std::optional<DWORD> CheckCommandLine();
  std::optional<DWORD> MakePlan(InstallPlan& plan);
  bool CreateFiles(const InstallPlan& plan);
  void RemoveFiles(const InstallPlan& plan);
  bool CreateInstanceService(const InstallPlan& plan);
  bool WriteRegistry(const InstallPlan& plan);

  SetupCommandLine line_;
  SetupLog& log_;
};

std::optional<DWORD> Setup::CheckCommandLine() {
  if (!line_.missing_values.empty()) {
    return Fail(kInvalidCommandLine,
                L"Dem Schalter " + line_.missing_values.front() + L" fehlt sein Wert.");
  }
  for (const std::wstring& token : line_.unknown)
    log_.Step(L"Unbekannter Parameter wird ignoriert: " + token);
  if (line_.settings_path.empty())
    return Fail(kInvalidCommandLine, L"Keine Einstellungsdatei angegeben (/settings).");
  if (!FileExists(line_.settings_path)) {
    return Fail(kInstallFailure,
                L"Die Einstellungsdatei " + line_.settings_path + L" wurde nicht gefunden.");
  }
  if (line_.package_path.empty())
    return Fail(kInvalidCommandLine, L"Kein Installationspaket angegeben (/i).");
  if (!FileExists(line_.package_path)) {
    return Fail(kInstallFailure, L"Das Installationspaket " + line_.package_path +
                                     L" konnte nicht geöffnet werden (1619).");
  }
  if (PackageNumberOf(line_.package_path) == 0) {
    return Fail(kPackageInvalid,
                L"Das Installationspaket " + line_.package_path + L" ist kein MSDE-Paket.");
  }
  if (line_.instance_name.empty())
    return Fail(kInvalidCommandLine, L"Kein Instanzname angegeben (INSTANCENAME).");
  if (!IsValidInstanceName(line_.instance_name)) {
    return Fail(kInstallFailure, L"Der Instanzname " + line_.instance_name + L" ist ungültig.");
  }
  return std::nullopt;
}

std::optional<DWORD> Setup::MakePlan(InstallPlan& plan) {
  plan.instance_name = Upper(line_.instance_name);
  const int package = PackageNumberOf(line_.package_path);
  plan.product_code = kProductCodes[package - 1];
  plan.package_file = line_.package_path.substr(line_.package_path.find_last_of(L"\\/") + 1);
  std::wstring target = line_.target_folder;
  if (target.empty()) {
    wchar_t program_files[MAX_PATH] = {};
    GetEnvironmentVariableW(L"ProgramFiles", program_files, MAX_PATH);
    target = JoinPath(program_files, L"Microsoft SQL Server");
  }
  const bool default_instance = plan.instance_name == L"MSSQLSERVER";
  plan.instance_folder =
      JoinPath(target, default_instance ? L"MSSQL" : L"MSSQL$" + plan.instance_name);
  plan.service_name = default_instance ? L"MSSQLSERVER" : L"MSSQL$" + plan.instance_name;
  log_.Step(L"Paket " + plan.package_file + L", Produktcode {" + plan.product_code + L"}");
  log_.Step(L"Instanz " + plan.instance_name + L", Zielordner " + plan.instance_folder);

  const std::vector<std::wstring> installed = InstalledInstances();
  if (installed.size() >= static_cast<std::size_t>(kMaxInstances))
    return Fail(kInstallFailure, L"Es sind bereits 16 Instanzen installiert.");
  for (const std::wstring& name : installed) {
    if (SameInstanceName(name, plan.instance_name)) {
      return Fail(kInstallFailure,
                  L"Die Instanz " + plan.instance_name + L" ist bereits installiert.");
    }
  }
  if (KeyExists(HKEY_CLASSES_ROOT, kInstallerProductsKey + PackedProductCode(plan.product_code))) {
    return Fail(kProductInstalled, L"Das Produkt {" + plan.product_code +
                                       L"} ist bereits installiert (Paket " + plan.package_file +
                                       L"); eine weitere Instanz braucht ein anderes Paket.");
  }
  plan.component_set = FreeComponentSet();
  if (plan.component_set == 0)
    return Fail(kInstallFailure, L"Kein freier Eintrag InstanceComponentSet.1 bis .16.");

  plan.service_program = FindServiceProgram();
  if (plan.with_service) {
    if (plan.service_program.empty())
      return Fail(kInstallFailure, L"Das Dienstprogramm " + std::wstring(kServiceProgram) +
                                       L" wurde nicht gefunden.");
    const ScopedService manager(OpenSCManagerW(nullptr, nullptr, SC_MANAGER_CONNECT));
    if (!manager)
      return Fail(kInstallFailure, L"Die Dienststeuerung ist nicht erreichbar.");
    const ScopedService existing(
        OpenServiceW(manager.get(), plan.service_name.c_str(), SERVICE_QUERY_STATUS));
    if (existing)
      return Fail(kInstallFailure, L"Der Dienst " + plan.service_name + L" existiert bereits.");
  }
  return std::nullopt;
}

bool Setup::CreateFiles(const InstallPlan& plan) {
  for (const wchar_t* sub : {L"Binn", L"Data", L"LOG"}) {
    const std::wstring folder = JoinPath(plan.instance_folder, sub);
    if (!CreateFolderPath(folder)) {
      log_.Step(L"Fehler: Der Ordner " + folder + L" kann nicht angelegt werden.");
      return false;
    }
  }
  log_.Step(L"Ordner angelegt: " + plan.instance_folder);
  if (plan.service_program.empty())
    return true;
  const std::wstring server = JoinPath(plan.instance_folder, L"Binn\\sqlservr.exe");
  if (!CopyFileW(plan.service_program.c_str(), server.c_str(), FALSE)) {
    log_.Step(L"Fehler " + Number(GetLastError()) + L" beim Kopieren nach " + server);
    return false;
  }
  log_.Step(L"Datei kopiert: " + server);
  return true;
}

void Setup::RemoveFiles(const InstallPlan& plan) {
  DeleteFileW(JoinPath(plan.instance_folder, L"Binn\\sqlservr.exe").c_str());
  for (const wchar_t* sub : {L"Binn", L"Data", L"LOG"})
    RemoveDirectoryW(JoinPath(plan.instance_folder, sub).c_str());
  RemoveDirectoryW(plan.instance_folder.c_str());
}

bool Setup::CreateInstanceService(const InstallPlan& plan) {
  const ScopedService manager(OpenSCManagerW(nullptr, nullptr, SC_MANAGER_CREATE_SERVICE));
  const std::wstring binary =
      L"\"" + JoinPath(plan.instance_folder, L"Binn\\sqlservr.exe") + L"\" -s" + plan.instance_name;
  const ScopedService service(
      manager ? CreateServiceW(manager.get(), plan.service_name.c_str(), plan.service_name.c_str(),
                               SERVICE_QUERY_STATUS, SERVICE_WIN32_OWN_PROCESS,
                               SERVICE_DEMAND_START, SERVICE_ERROR_NORMAL, binary.c_str(), nullptr,
                               nullptr, nullptr, nullptr, nullptr)
              : nullptr);
  if (!service) {
    log_.Step(L"Fehler " + Number(GetLastError()) + L": Der Dienst " + plan.service_name +
              L" kann nicht eingerichtet werden.");
    return false;
  }
  log_.Step(L"Dienst eingerichtet: " + plan.service_name + L" (" + binary + L")");
  return true;
}

bool Setup::WriteRegistry(const InstallPlan& plan) {
  const std::wstring braced = L"{" + plan.product_code + L"}";
  bool written = true;

  std::vector<std::wstring> names = InstalledInstances();
  names.push_back(plan.instance_name);
  written &= WriteInstalledInstances(names);

  const ScopedKey product =
      CreateKey(HKEY_CLASSES_ROOT, kInstallerProductsKey + PackedProductCode(plan.product_code));
  written &= SetText(product, L"ProductName", kProductName);
  written &= SetText(product, L"PackageName", plan.package_file);

  const ScopedKey uninstall = CreateKey(HKEY_LOCAL_MACHINE, kUninstallKey + braced);
  written &= SetText(uninstall, L"DisplayName",
                     std::wstring(kProductName) + L" [" + plan.instance_name + L"]");
  written &= SetText(uninstall, L"SqlInstanceName", plan.instance_name);
  written &= SetText(uninstall, L"Publisher", L"Microsoft Corporation");
  written &= SetText(uninstall, L"DisplayVersion", kProductVersion);
  written &= SetText(uninstall, L"InstallLocation", plan.instance_folder);
  written &= SetText(uninstall, L"UninstallString", L"MsiExec.exe /X" + braced);

  const ScopedKey component_set = CreateKey(HKEY_LOCAL_MACHINE, kComponentSetKey);
  written &= SetText(
      component_set,
      (L"InstanceComponentSet." + Number(static_cast<unsigned long>(plan.component_set))).c_str(),
      braced);

  // A named instance keeps its setup record below its own key; the default instance below
  // MSSQLServer\Setup, the key whose ProductCode the assistant reads.
  const bool default_instance = plan.instance_name == L"MSSQLSERVER";
  const ScopedKey setup =
      CreateKey(HKEY_LOCAL_MACHINE, default_instance ? std::wstring(kDefaultInstanceSetupKey)
                                                     : std::wstring(kSqlServerKey) + L"\\" +
                                                           plan.instance_name + L"\\Setup");
  written &= SetText(setup, L"SQLPath", plan.instance_folder);
  written &= SetText(setup, L"SQLDataRoot", plan.instance_folder);
  written &= SetText(setup, L"ProductCode", plan.product_code);
  const ScopedKey version =
      CreateKey(HKEY_LOCAL_MACHINE,
                default_instance ? std::wstring(L"SOFTWARE\\Microsoft\\MSSQLServer\\MSSQLServer\\"
                                                L"CurrentVersion")
                                 : std::wstring(kSqlServerKey) + L"\\" + plan.instance_name +
                                       L"\\MSSQLServer\\CurrentVersion");
  written &= SetText(version, L"CurrentVersion", kProductVersion);

  if (!written)
    log_.Step(L"Fehler: Nicht alle Registrierungseinträge konnten geschrieben werden.");
  return written;
}

DWORD Setup::Run() {
  if (const std::optional<DWORD> refused = CheckCommandLine())
    return *refused;
  const Knobs knobs = ReadKnobs(line_.settings_path);
  log_.Step(L"Einstellungen aus " + line_.settings_path + L": DelaySeconds=" +
            Number(knobs.delay_seconds) + L" Fail=" + Number(knobs.fail) + L" NoService=" +
            Number(knobs.no_service));

  InstallPlan plan;
  plan.with_service = !knobs.no_service;
  if (const std::optional<DWORD> refused = MakePlan(plan))
    return *refused;

  for (DWORD second = 1; second <= knobs.delay_seconds; ++second) {
    log_.Step(L"Installation läuft ... (" + Number(second) + L"/" + Number(knobs.delay_seconds) +
              L")");
    Sleep(1000);
  }
  if (knobs.fail)
    return Fail(kInstallFailure, L"Schwerwiegender Fehler bei der Installation (Fail=1).");

  if (!CreateFiles(plan)) {
    RemoveFiles(plan);
    return Fail(kInstallFailure, L"Die Dateien der Instanz konnten nicht angelegt werden.");
  }
  if (plan.with_service && !CreateInstanceService(plan)) {
    RemoveFiles(plan);
    return Fail(kInstallFailure, L"Der Dienst der Instanz konnte nicht eingerichtet werden.");
  }
  if (!plan.with_service)
    log_.Step(L"Kein Dienst eingerichtet (NoService=1).");
  if (!WriteRegistry(plan))
    return Fail(kInstallFailure, L"Die Instanz konnte nicht registriert werden.");
  log_.Step(L"Registriert: InstalledInstances, Installer\\Products, Uninstall\\{" +
            plan.product_code + L"}, InstanceComponentSet." +
            Number(static_cast<unsigned long>(plan.component_set)));
  log_.Step(L"Produkt: " + std::wstring(kProductName) +
            L" -- Installation completed successfully. Die Installation wurde erfolgreich "
            L"abgeschlossen.");
  return kSuccess;
}

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  const std::wstring raw = GetCommandLineW();
  const SetupCommandLine line = ParseSetupCommandLine(raw);
  SetupLog log(line.log_path);
  log.Line(L"=== Ausführliche Protokollierung gestartet: " + Timestamp() +
           L"  Aufrufender Prozess: " + line.program + L" ===");
  log.Step(L"Befehlszeile: " + raw);

  Setup setup(line, log);
  DWORD code = setup.Run();
  if (!line.settings_path.empty() && FileExists(line.settings_path)) {
    if (const std::optional<DWORD> forced = ReadKnobs(line.settings_path).exit_code)
      code = *forced;
  }
  log.Line(L"=== Protokollierung beendet: " + Timestamp() + L" === Rückgabewert " + Number(code));
  return static_cast<int>(code);
}
