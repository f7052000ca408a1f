#include "driver/wine_machine.h"

#include <algorithm>
#include <cctype>
#include <fstream>

#include "driver/paths.h"
#include "inspect/package_detection.h"
#include "platform/win32/ansi_text.h"
#include "platform/win32/handle.h"
#include "support/reg_file.h"

namespace quillset::e2e {

namespace {

using win32::ScopedKey;

std::string StatusText(const std::string& what, LSTATUS status) {
  return what + " failed with status " + std::to_string(status);
}

std::string Describe(const RegistryTree& key) {
  switch (key.root) {
    case platform::kHkeyClassesRoot:
      return "HKEY_CLASSES_ROOT\\" + key.path;
    case platform::kHkeyCurrentUser:
      return "HKEY_CURRENT_USER\\" + key.path;
    case platform::kHkeyLocalMachine:
      return "HKEY_LOCAL_MACHINE\\" + key.path;
    default:
      return "root " + std::to_string(key.root) + "\\" + key.path;
  }
}

bool IsTextType(DWORD type) {
  return type == REG_SZ || type == REG_EXPAND_SZ || type == REG_MULTI_SZ;
}

// Deletes a key and everything below it. A missing key counts as deleted.
LSTATUS DeleteTree(HKEY parent, const std::wstring& path) {
  ScopedKey key;
  LSTATUS status =
      RegOpenKeyExW(parent, path.c_str(), 0, KEY_READ | KEY_WRITE | DELETE, key.receive());
  if (status == ERROR_FILE_NOT_FOUND)
    return ERROR_SUCCESS;
  if (status != ERROR_SUCCESS)
    return status;
  for (;;) {
    wchar_t name[256];
    DWORD length = 256;
    status = RegEnumKeyExW(key.get(), 0, name, &length, nullptr, nullptr, nullptr, nullptr);
    if (status == ERROR_NO_MORE_ITEMS)
      break;
    if (status != ERROR_SUCCESS)
      return status;
    status = DeleteTree(key.get(), name);
    if (status != ERROR_SUCCESS)
      return status;
  }
  key.reset();
  return RegDeleteKeyW(parent, path.c_str());
}

RegistrySnapshot::Key ReadKey(HKEY key, const std::wstring& name) {
  RegistrySnapshot::Key saved{name, ValuesOf(key), {}};
  for (const std::wstring& subkey_name : SubkeyNamesOf(key)) {
    ScopedKey subkey;
    if (RegOpenKeyExW(key, subkey_name.c_str(), 0, KEY_READ, subkey.receive()) == ERROR_SUCCESS)
      saved.subkeys.push_back(ReadKey(subkey.get(), subkey_name));
  }
  return saved;
}

void WriteKey(HKEY parent, const RegistrySnapshot::Key& saved) {
  ScopedKey key;
  if (RegCreateKeyExW(parent, saved.name.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                      KEY_ALL_ACCESS, nullptr, key.receive(), nullptr) != ERROR_SUCCESS) {
    return;
  }
  for (const auto& value : saved.values) {
    RegSetValueExW(key.get(), value.name.c_str(), 0, value.type, value.data.data(),
                   static_cast<DWORD>(value.data.size()));
  }
  for (const auto& subkey : saved.subkeys)
    WriteKey(key.get(), subkey);
}

ScopedKey CreateKeyOrThrow(const RegistryTree& tree) {
  ScopedKey key;
  const LSTATUS status =
      RegCreateKeyExA(RootKeyOf(tree.root), win32::Utf8ToAnsi(tree.path).c_str(), 0, nullptr,
                      REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS, nullptr, key.receive(), nullptr);
  if (status != ERROR_SUCCESS)
    throw DriverError(StatusText("creating " + Describe(tree), status));
  return key;
}

void ApplyOperation(const testing::RegOperation& operation) {
  const RegistryTree tree{operation.root, operation.path};
  const auto where = [&] {
    return "line " + std::to_string(operation.line) + ": " + Describe(tree);
  };
  switch (operation.kind) {
    case testing::RegOperationKind::CreateKey:
      CreateKeyOrThrow(tree);
      return;
    case testing::RegOperationKind::DeleteKey:
      DeleteRegistryTree(tree);
      return;
    case testing::RegOperationKind::SetValue: {
      const ScopedKey key = CreateKeyOrThrow(tree);
      const std::string data =
          IsTextType(operation.type) ? win32::Utf8ToAnsi(operation.data) : operation.data;
      const LSTATUS status = RegSetValueExA(
          key.get(), win32::Utf8ToAnsi(operation.name).c_str(), 0, operation.type,
          reinterpret_cast<const BYTE*>(data.data()), static_cast<DWORD>(data.size()));
      if (status != ERROR_SUCCESS) {
        throw DriverError(StatusText(where() + " writing \"" + operation.name + "\"", status));
      }
      return;
    }
    case testing::RegOperationKind::DeleteValue: {
      ScopedKey key;
      if (RegOpenKeyExA(RootKeyOf(tree.root), win32::Utf8ToAnsi(tree.path).c_str(), 0,
                        KEY_SET_VALUE, key.receive()) != ERROR_SUCCESS) {
        return;  // no key, no value
      }
      const LSTATUS status = RegDeleteValueA(key.get(), win32::Utf8ToAnsi(operation.name).c_str());
      if (status != ERROR_SUCCESS && status != ERROR_FILE_NOT_FOUND) {
        throw DriverError(StatusText(where() + " deleting \"" + operation.name + "\"", status));
      }
      return;
    }
  }
}

}  // namespace

HKEY RootKeyOf(platform::RegistryKeyHandle root) {
  // The predefined keys are 32-bit numbers that Windows sign-extends to the pointer size.
  return reinterpret_cast<HKEY>(
      static_cast<ULONG_PTR>(static_cast<LONG>(static_cast<std::uint32_t>(root))));
}

void ApplyRegText(const std::string& reg_text) {
  std::vector<testing::RegOperation> operations;
  try {
    operations = testing::ParseRegText(reg_text);
  } catch (const std::exception& error) {
    throw DriverError(std::string("the .reg text does not parse: ") + error.what());
  }
  for (const auto& operation : operations)
    ApplyOperation(operation);
}

void ApplyRegFixture(const std::string& file_name) {
  const std::string path = win32::WideToUtf8(FixturePath(win32::Utf8ToWide(file_name)));
  std::string text;
  try {
    text = testing::ReadRegFileAsUtf8(path);
  } catch (const std::exception& error) {
    throw DriverError("cannot read the fixture " + path + ": " + error.what());
  }
  try {
    ApplyRegText(text);
  } catch (const DriverError& error) {
    throw DriverError(file_name + ": " + error.what());
  }
}

bool RegistryKeyExists(const RegistryTree& key) {
  ScopedKey opened;
  return RegOpenKeyExA(RootKeyOf(key.root), win32::Utf8ToAnsi(key.path).c_str(), 0, KEY_READ,
                       opened.receive()) == ERROR_SUCCESS;
}

void DeleteRegistryTree(const RegistryTree& key) {
  const LSTATUS status = DeleteTree(RootKeyOf(key.root), win32::Utf8ToWide(key.path));
  if (status != ERROR_SUCCESS)
    throw DriverError(StatusText("deleting " + Describe(key), status));
}

std::optional<RegistryValueData> ReadRegistryValue(const RegistryTree& key,
                                                   const std::string& value_name) {
  ScopedKey opened;
  if (RegOpenKeyExA(RootKeyOf(key.root), win32::Utf8ToAnsi(key.path).c_str(), 0, KEY_READ,
                    opened.receive()) != ERROR_SUCCESS) {
    return std::nullopt;
  }
  const std::string name = win32::Utf8ToAnsi(value_name);
  DWORD type = 0;
  DWORD size = 0;
  if (RegQueryValueExA(opened.get(), name.c_str(), nullptr, &type, nullptr, &size) !=
      ERROR_SUCCESS) {
    return std::nullopt;
  }
  std::string data(size, '\0');
  if (RegQueryValueExA(opened.get(), name.c_str(), nullptr, &type,
                       reinterpret_cast<BYTE*>(data.data()), &size) != ERROR_SUCCESS) {
    return std::nullopt;
  }
  data.resize(size);
  return RegistryValueData{type, IsTextType(type) ? win32::AnsiToUtf8(data) : data};
}

std::vector<RegistrySnapshot::Value> ValuesOf(HKEY key) {
  DWORD value_count = 0, max_value_name = 0, max_data = 0;
  RegQueryInfoKeyW(key, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &value_count,
                   &max_value_name, &max_data, nullptr, nullptr);
  std::vector<RegistrySnapshot::Value> values;
  for (DWORD index = 0; index < value_count; ++index) {
    std::wstring name(max_value_name + 1, L'\0');
    DWORD name_length = max_value_name + 1;
    std::vector<BYTE> data(max_data);
    DWORD data_length = max_data;
    DWORD type = 0;
    if (RegEnumValueW(key, index, name.data(), &name_length, nullptr, &type, data.data(),
                      &data_length) != ERROR_SUCCESS) {
      continue;
    }
    name.resize(name_length);
    data.resize(data_length);
    values.push_back({std::move(name), type, std::move(data)});
  }
  return values;
}

std::vector<std::wstring> SubkeyNamesOf(HKEY key) {
  DWORD subkey_count = 0, max_subkey = 0;
  RegQueryInfoKeyW(key, nullptr, nullptr, nullptr, &subkey_count, &max_subkey, nullptr, nullptr,
                   nullptr, nullptr, nullptr, nullptr);
  std::vector<std::wstring> names;
  for (DWORD index = 0; index < subkey_count; ++index) {
    std::wstring name(max_subkey + 1, L'\0');
    DWORD name_length = max_subkey + 1;
    if (RegEnumKeyExW(key, index, name.data(), &name_length, nullptr, nullptr, nullptr, nullptr) !=
        ERROR_SUCCESS) {
      continue;
    }
    name.resize(name_length);
    names.push_back(std::move(name));
  }
  return names;
}

RegistrySnapshot::RegistrySnapshot(std::vector<RegistryTree> trees) {
  for (auto& tree : trees) {
    Saved saved{std::move(tree), std::nullopt};
    ScopedKey key;
    if (RegOpenKeyExW(RootKeyOf(saved.tree.root), win32::Utf8ToWide(saved.tree.path).c_str(), 0,
                      KEY_READ, key.receive()) == ERROR_SUCCESS) {
      saved.key = ReadKey(key.get(), win32::Utf8ToWide(saved.tree.path));
    }
    saved_.push_back(std::move(saved));
  }
}

RegistrySnapshot::~RegistrySnapshot() {
  Restore();
}

void RegistrySnapshot::Restore() const {
  for (const auto& saved : saved_) {
    const HKEY root = RootKeyOf(saved.tree.root);
    DeleteTree(root, win32::Utf8ToWide(saved.tree.path));
    if (saved.key)
      WriteKey(root, *saved.key);
  }
}

std::vector<RegistryTree> SqlServerRegistryTrees() {
  return {
      {platform::kHkeyLocalMachine, "SOFTWARE\\Microsoft\\Microsoft SQL Server"},
      {platform::kHkeyLocalMachine, "SOFTWARE\\Microsoft\\MSSQLServer"},
      {platform::kHkeyLocalMachine, "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall"},
      {platform::kHkeyClassesRoot, "Installer"},
  };
}

void ClearSqlServerRegistry() {
  DeleteRegistryTree({platform::kHkeyLocalMachine, "SOFTWARE\\Microsoft\\Microsoft SQL Server"});
  DeleteRegistryTree({platform::kHkeyLocalMachine, "SOFTWARE\\Microsoft\\MSSQLServer"});
  DeleteRegistryTree({platform::kHkeyClassesRoot, "Installer\\Products"});
  for (int slot = kFirstSlot; slot <= kLastSlot; ++slot) {
    const std::string& code = KnownMsdeProductCodes()[slot];
    DeleteRegistryTree({platform::kHkeyLocalMachine,
                        "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\{" + code + "}"});
    // The product key written as "Installer\Products" directly followed by the code.
    DeleteRegistryTree({platform::kHkeyClassesRoot, "Installer\\Products" + code});
  }
}

// --- Services ---------------------------------------------------------------------------------

namespace {

inline SC_HANDLE NullService() {
  return nullptr;
}
using ScopedService = win32::UniqueHandle<SC_HANDLE, &CloseServiceHandle, &NullService>;

ScopedService OpenManager() {
  ScopedService manager(OpenSCManagerW(nullptr, nullptr, SC_MANAGER_ALL_ACCESS));
  if (!manager) {
    throw DriverError("OpenSCManagerW failed, error " + std::to_string(GetLastError()));
  }
  return manager;
}

DWORD CurrentState(SC_HANDLE service) {
  SERVICE_STATUS status = {};
  if (!QueryServiceStatus(service, &status))
    return 0;
  return status.dwCurrentState;
}

void WaitForState(SC_HANDLE service, DWORD state, const std::string& what, Millis limit) {
  WaitFor(what, limit, [&] { return CurrentState(service) == state; });
}

void StopAndWait(SC_HANDLE service, const std::string& name, Millis limit) {
  if (CurrentState(service) == SERVICE_STOPPED)
    return;
  SERVICE_STATUS status = {};
  ControlService(service, SERVICE_CONTROL_STOP, &status);
  WaitForState(service, SERVICE_STOPPED, "the service " + name + " to stop", limit);
}

}  // namespace

std::optional<DWORD> ServiceState(const std::string& service_name) {
  ScopedService manager(OpenSCManagerW(nullptr, nullptr, SC_MANAGER_CONNECT));
  if (!manager)
    return std::nullopt;
  ScopedService service(
      OpenServiceW(manager.get(), win32::Utf8ToWide(service_name).c_str(), SERVICE_QUERY_STATUS));
  if (!service)
    return std::nullopt;
  return CurrentState(service.get());
}

void RemoveService(const std::string& service_name, Millis limit) {
  const ScopedService manager = OpenManager();
  const std::wstring name = win32::Utf8ToWide(service_name);
  {
    ScopedService service(
        OpenServiceW(manager.get(), name.c_str(), SERVICE_STOP | SERVICE_QUERY_STATUS | DELETE));
    if (!service)
      return;
    StopAndWait(service.get(), service_name, limit);
    DeleteService(service.get());
  }
  WaitFor("the service " + service_name + " to be deleted", limit, [&] {
    ScopedService service(OpenServiceW(manager.get(), name.c_str(), SERVICE_QUERY_STATUS));
    return !service;
  });
}

StandinService::StandinService(const std::string& service_name, const std::string& display_name)
    : name_(win32::Utf8ToWide(service_name)) {
  const ScopedService manager = OpenManager();
  const std::wstring binary = L"\"" + StandinExePath(L"quillset_service") + L"\"";
  const std::wstring display = win32::Utf8ToWide(display_name);
  ScopedService service(OpenServiceW(manager.get(), name_.c_str(), SERVICE_ALL_ACCESS));
  if (service) {
    DWORD needed = 0;
    QueryServiceConfigW(service.get(), nullptr, 0, &needed);
    std::vector<BYTE> buffer(needed);
    auto* config = reinterpret_cast<QUERY_SERVICE_CONFIGW*>(buffer.data());
    if (!QueryServiceConfigW(service.get(), config, needed, &needed)) {
      throw DriverError("QueryServiceConfigW for " + service_name + " failed, error " +
                        std::to_string(GetLastError()));
    }
    original_ = OriginalConfig{config->dwServiceType,
                               config->dwStartType,
                               config->dwErrorControl,
                               config->lpBinaryPathName ? config->lpBinaryPathName : L"",
                               config->lpDisplayName ? config->lpDisplayName : L"",
                               CurrentState(service.get()) == SERVICE_RUNNING};
    StopAndWait(service.get(), service_name, kDefaultWait);
    if (!ChangeServiceConfigW(service.get(), SERVICE_WIN32_OWN_PROCESS, SERVICE_DEMAND_START,
                              SERVICE_ERROR_IGNORE, binary.c_str(), nullptr, nullptr, nullptr,
                              nullptr, nullptr, display.c_str())) {
      throw DriverError("taking over the service " + service_name + " failed, error " +
                        std::to_string(GetLastError()));
    }
    return;
  }
  service.reset(CreateServiceW(manager.get(), name_.c_str(), display.c_str(), SERVICE_ALL_ACCESS,
                               SERVICE_WIN32_OWN_PROCESS, SERVICE_DEMAND_START,
                               SERVICE_ERROR_IGNORE, binary.c_str(), nullptr, nullptr, nullptr,
                               nullptr, nullptr));
  if (!service) {
    throw DriverError("creating the service " + service_name + " failed, error " +
                      std::to_string(GetLastError()));
  }
}

StandinService::~StandinService() {
  const std::string name = win32::WideToUtf8(name_);
  try {
    if (!original_) {
      RemoveService(name);
      return;
    }
    const ScopedService manager = OpenManager();
    ScopedService service(OpenServiceW(manager.get(), name_.c_str(), SERVICE_ALL_ACCESS));
    if (!service)
      return;
    StopAndWait(service.get(), name, kDefaultWait);
    ChangeServiceConfigW(service.get(), original_->service_type, original_->start_type,
                         original_->error_control, original_->binary_path.c_str(), nullptr, nullptr,
                         nullptr, nullptr, nullptr, original_->display_name.c_str());
    if (original_->was_running && RetryingWineInternalErrors([&] {
          return StartServiceW(service.get(), 0, nullptr) != FALSE;
        })) {
      WaitForState(service.get(), SERVICE_RUNNING, "the service " + name + " to run again",
                   kDefaultWait);
    }
  } catch (const DriverError&) {
    // Cleaning up must not end the test run; the next test's set-up removes what is left.
  }
}

void StandinService::Start(Millis limit) {
  const ScopedService manager = OpenManager();
  ScopedService service(OpenServiceW(manager.get(), name_.c_str(), SERVICE_ALL_ACCESS));
  const std::string name = win32::WideToUtf8(name_);
  if (!service)
    throw DriverError("the service " + name + " is gone");
  if (CurrentState(service.get()) == SERVICE_RUNNING)
    return;
  // A failed try may still have set the service going; a later try then finds it running.
  bool retrying = false;
  const bool started = RetryingWineInternalErrors([&] {
    const bool ok = StartServiceW(service.get(), 0, nullptr) ||
                    (retrying && GetLastError() == ERROR_SERVICE_ALREADY_RUNNING);
    retrying = true;
    return ok;
  });
  if (!started) {
    throw DriverError("starting the service " + name + " failed, error " +
                      std::to_string(GetLastError()));
  }
  WaitForState(service.get(), SERVICE_RUNNING, "the service " + name + " to run", limit);
}

void StandinService::Stop(Millis limit) {
  const ScopedService manager = OpenManager();
  ScopedService service(OpenServiceW(manager.get(), name_.c_str(), SERVICE_ALL_ACCESS));
  if (service)
    StopAndWait(service.get(), win32::WideToUtf8(name_), limit);
}

bool StandinService::IsRunning() const {
  return ServiceState(win32::WideToUtf8(name_)) == SERVICE_RUNNING;
}

// --- Folders ----------------------------------------------------------------------------------

ScratchFolder::ScratchFolder(const std::string& name)
    : path_(std::filesystem::path(ScratchRoot()) / win32::Utf8ToWide(name)) {
  std::error_code ignored;
  std::filesystem::remove_all(path_, ignored);
  std::error_code error;
  std::filesystem::create_directories(path_, error);
  if (error)
    throw DriverError("cannot create " + path_.string() + ": " + error.message());
}

ScratchFolder::~ScratchFolder() {
  std::error_code ignored;
  std::filesystem::remove_all(path_, ignored);
}

std::filesystem::path ScratchFolder::operator/(const std::string& relative) const {
  return path_ / win32::Utf8ToWide(relative);
}

std::filesystem::path ScratchFolder::MakeFolder(const std::string& relative) const {
  const auto folder = *this / relative;
  std::error_code error;
  std::filesystem::create_directories(folder, error);
  if (error)
    throw DriverError("cannot create " + folder.string() + ": " + error.message());
  return folder;
}

void ScratchFolder::WriteFile(const std::string& relative, const std::string& bytes) const {
  const auto file = *this / relative;
  std::ofstream out(file, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  if (!out)
    throw DriverError("cannot write " + file.string());
}

void ScratchFolder::CopyFileIn(const std::filesystem::path& source,
                               const std::string& relative) const {
  std::error_code error;
  std::filesystem::copy_file(source, *this / relative,
                             std::filesystem::copy_options::overwrite_existing, error);
  if (error) {
    throw DriverError("cannot copy " + source.string() + " to " + (*this / relative).string() +
                      ": " + error.message());
  }
}

std::string FolderNameFor(const std::string& test_name) {
  std::string name = test_name;
  std::replace_if(
      name.begin(), name.end(),
      [](char c) { return !(std::isalnum(static_cast<unsigned char>(c)) || c == '-' || c == '_'); },
      '_');
  return name;
}

}  // namespace quillset::e2e
