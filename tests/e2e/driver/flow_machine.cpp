#include "driver/flow_machine.h"

#include <tlhelp32.h>

#include <fstream>
#include <sstream>

#include "driver/paths.h"
#include "platform/win32/ansi_text.h"
#include "platform/win32/handle.h"
#include "support/reg_file.h"

namespace quillset::e2e {

namespace {

using win32::ScopedKey;

constexpr char kSqlServerKey[] = "SOFTWARE\\Microsoft\\Microsoft SQL Server";
constexpr char kConnectToKey[] = "SOFTWARE\\Microsoft\\MSSQLSERVER\\Client\\ConnectTo";

std::string ServiceNameOfInstance(const std::string& instance) {
  return instance == "MSSQLSERVER" ? instance : "MSSQL$" + instance;
}

inline SC_HANDLE NullService() {
  return nullptr;
}
using ScopedService = win32::UniqueHandle<SC_HANDLE, &CloseServiceHandle, &NullService>;

// Every SQL Server instance service of the machine (MSSQLSERVER, MSSQL$NAME): those a test
// started, those an installation created, and those a test that was killed left behind.
std::vector<std::string> InstanceServices() {
  std::vector<std::string> names;
  const ScopedService manager(OpenSCManagerW(nullptr, nullptr, SC_MANAGER_ENUMERATE_SERVICE));
  if (!manager)
    return names;
  DWORD needed = 0, count = 0, resume = 0;
  EnumServicesStatusExW(manager.get(), SC_ENUM_PROCESS_INFO, SERVICE_WIN32, SERVICE_STATE_ALL,
                        nullptr, 0, &needed, &count, &resume, nullptr);
  std::vector<BYTE> buffer(needed);
  resume = 0;
  if (!EnumServicesStatusExW(manager.get(), SC_ENUM_PROCESS_INFO, SERVICE_WIN32, SERVICE_STATE_ALL,
                             buffer.data(), needed, &needed, &count, &resume, nullptr)) {
    return names;
  }
  const auto* services = reinterpret_cast<const ENUM_SERVICE_STATUS_PROCESSW*>(buffer.data());
  for (DWORD i = 0; i < count; ++i) {
    const std::string name = win32::WideToUtf8(services[i].lpServiceName);
    if (_stricmp(name.c_str(), "MSSQLSERVER") == 0 || _strnicmp(name.c_str(), "MSSQL$", 6) == 0)
      names.push_back(name);
  }
  return names;
}

void RemoveInstanceServices() {
  for (const std::string& name : InstanceServices())
    RemoveService(name);
}

std::string Trimmed(const std::string& text) {
  const auto first = text.find_first_not_of(" \t\r\n");
  if (first == std::string::npos)
    return {};
  const auto last = text.find_last_not_of(" \t\r\n");
  return text.substr(first, last - first + 1);
}

// --- Icons --------------------------------------------------------------------------------------

struct Pixels {
  int width = 0;
  int height = 0;
  std::vector<DWORD> data;  // 0x00RRGGBB, top-down rows
};

class DibCanvas {
 public:
  DibCanvas(int width, int height) : width_(width), height_(height) {
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;  // top-down
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    HDC screen = GetDC(nullptr);
    dc_ = CreateCompatibleDC(screen);
    ReleaseDC(nullptr, screen);
    bitmap_ = CreateDIBSection(dc_, &info, DIB_RGB_COLORS, &bits_, nullptr, 0);
    if (dc_ == nullptr || bitmap_ == nullptr)
      throw DriverError("cannot make a drawing surface for the icon comparison");
    previous_ = SelectObject(dc_, bitmap_);
  }
  ~DibCanvas() {
    SelectObject(dc_, previous_);
    DeleteObject(bitmap_);
    DeleteDC(dc_);
  }
  DibCanvas(const DibCanvas&) = delete;
  DibCanvas& operator=(const DibCanvas&) = delete;

  HDC dc() const { return dc_; }
  Pixels Read() const {
    GdiFlush();
    const auto* source = static_cast<const DWORD*>(bits_);
    Pixels pixels{width_, height_, {}};
    pixels.data.reserve(static_cast<std::size_t>(width_) * static_cast<std::size_t>(height_));
    for (int i = 0; i < width_ * height_; ++i)
      pixels.data.push_back(source[i] & 0x00FFFFFF);
    return pixels;
  }

 private:
  int width_, height_;
  HDC dc_ = nullptr;
  HBITMAP bitmap_ = nullptr;
  HGDIOBJ previous_ = nullptr;
  void* bits_ = nullptr;
};

Pixels CaptureScreen(const RECT& rect) {
  DibCanvas canvas(rect.right - rect.left, rect.bottom - rect.top);
  HDC screen = GetDC(nullptr);
  BitBlt(canvas.dc(), 0, 0, rect.right - rect.left, rect.bottom - rect.top, screen, rect.left,
         rect.top, SRCCOPY);
  ReleaseDC(nullptr, screen);
  return canvas.Read();
}

Pixels DrawIconOn(LPCWSTR icon_id, int width, int height, DWORD background) {
  DibCanvas canvas(width, height);
  const COLORREF color =
      RGB((background >> 16) & 0xFF, (background >> 8) & 0xFF, background & 0xFF);
  HBRUSH brush = CreateSolidBrush(color);
  RECT all{0, 0, width, height};
  FillRect(canvas.dc(), &all, brush);
  DeleteObject(brush);
  DrawIconEx(canvas.dc(), 0, 0, LoadIconW(nullptr, icon_id), width, height, 0, nullptr, DI_NORMAL);
  return canvas.Read();
}

// Mean difference per colour channel, 0 (same) to 255.
double MeanDifference(const Pixels& a, const Pixels& b) {
  if (a.data.size() != b.data.size() || a.data.empty())
    return 255.0;
  double sum = 0;
  for (std::size_t i = 0; i < a.data.size(); ++i) {
    for (int shift : {0, 8, 16}) {
      const int x = static_cast<int>((a.data[i] >> shift) & 0xFF);
      const int y = static_cast<int>((b.data[i] >> shift) & 0xFF);
      sum += std::abs(x - y);
    }
  }
  return sum / (3.0 * static_cast<double>(a.data.size()));
}

HWND IconStaticOf(HWND box) {
  for (HWND child : DescendantsOf(box)) {
    if (ClassOf(child) != "Static" || !IsShown(child))
      continue;
    if ((GetWindowLongPtrW(child, GWL_STYLE) & SS_TYPEMASK) == SS_ICON)
      return child;
  }
  return nullptr;
}

}  // namespace

std::string SetupIniWithKnobs(const std::string& knob_lines) {
  return "[Options]\r\nDISABLENETWORKPROTOCOLS=1\r\n[quillset-standin]\r\n" + knob_lines;
}

FlowMachine::FlowMachine(const std::string& test_name, FlowMachineOptions options)
    : snapshot_(SqlServerRegistryTrees()),
      folders_(test_name, options.contents),
      server_(StandinService::kServerName, StandinService::kServerDisplayName) {
  ClearSqlServerRegistry();
  RemoveInstanceServices();
  if (options.server_service_running)
    server_.Start();
}

FlowMachine::~FlowMachine() {
  try {
    instance_services_.clear();
    RemoveInstanceServices();
  } catch (const DriverError&) {
    // Cleaning up must not end the run; the next test removes what is left at its start.
  }
}

void FlowMachine::SetInstalledInstances(const std::vector<std::string>& names) {
  std::string data;
  for (const auto& name : names)
    data += win32::Utf8ToAnsi(name) + '\0';
  data += '\0';
  ScopedKey key;
  LSTATUS status = RegCreateKeyExA(HKEY_LOCAL_MACHINE, kSqlServerKey, 0, nullptr, 0, KEY_ALL_ACCESS,
                                   nullptr, key.receive(), nullptr);
  if (status == ERROR_SUCCESS) {
    status =
        RegSetValueExA(key.get(), "InstalledInstances", 0, REG_MULTI_SZ,
                       reinterpret_cast<const BYTE*>(data.data()), static_cast<DWORD>(data.size()));
  }
  if (status != ERROR_SUCCESS)
    throw DriverError("writing InstalledInstances failed with status " + std::to_string(status));
}

void FlowMachine::RunInstance(const std::string& instance, const std::string& edition,
                              const std::string& version, int delay_ms) {
  const std::string service = ServiceNameOfInstance(instance);
  RemoveService(service);
  instance_services_.push_back(std::make_unique<StandinService>(service, service));
  instance_services_.back()->Start();
  const std::string server = ServerNameOf(instance);
  osql_lines_.push_back(server + "|edition|" + edition);
  osql_lines_.push_back(server + "|productVersion|" + version);
  if (delay_ms > 0)
    osql_lines_.push_back(server + "|delay_ms|" + std::to_string(delay_ms));
  std::string text;
  for (const auto& line : osql_lines_)
    text += line + "\r\n";
  std::ofstream(OsqlAnswersPath(), std::ios::binary | std::ios::trunc) << text;
}

std::string FlowMachine::ServerNameOf(const std::string& instance) const {
  return instance == "MSSQLSERVER" ? LocalComputerName() : LocalComputerName() + "\\" + instance;
}

std::filesystem::path FlowMachine::OsqlAnswersPath() const {
  return folders_.scratch() / "osql-answers.txt";
}

EnvironmentBlock FlowMachine::Environment() const {
  EnvironmentBlock environment = folders_.Environment();
  environment.Set(L"QUILLSET_OSQL_ANSWERS", OsqlAnswersPath().wstring());
  return environment;
}

QuillsetApp FlowMachine::StartQuillset() const {
  return StartQuillsetIn(folders_.app_folder());
}

QuillsetApp FlowMachine::StartQuillsetIn(const std::filesystem::path& app_folder) const {
  return QuillsetApp(app_folder / "quillset.exe", app_folder, Environment());
}

std::string LocalComputerName() {
  char name[MAX_COMPUTERNAME_LENGTH + 1] = {};
  DWORD size = sizeof name;
  if (!GetComputerNameA(name, &size))
    throw DriverError("GetComputerNameA failed, error " + std::to_string(GetLastError()));
  return win32::AnsiToUtf8(std::string(name, size));
}

std::vector<std::string> InstalledInstances() {
  const auto value =
      ReadRegistryValue({platform::kHkeyLocalMachine, kSqlServerKey}, "InstalledInstances");
  return value ? testing::MultiSzEntries(value->data) : std::vector<std::string>{};
}

std::optional<RegistryValueData> ClientAlias(const std::string& name) {
  return ReadRegistryValue({platform::kHkeyLocalMachine, kConnectToKey}, name);
}

std::vector<std::string> StartedServices() {
  const ConsoleResult listing = RunConsoleCommand(L"NET START");
  std::vector<std::string> services;
  std::istringstream lines(listing.output);
  std::string line;
  while (std::getline(lines, line)) {
    // The listed services are indented; the heading and closing lines are not.
    if (line.empty() || line[0] != ' ')
      continue;
    services.push_back(Trimmed(line));
  }
  return services;
}

std::optional<std::string> ReadFileBytes(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in)
    return std::nullopt;
  std::ostringstream bytes;
  bytes << in.rdbuf();
  return bytes.str();
}

std::string ToString(BoxIcon icon) {
  switch (icon) {
    case BoxIcon::None:
      return "no icon";
    case BoxIcon::Information:
      return "information icon";
    case BoxIcon::Critical:
      return "critical-stop icon";
    case BoxIcon::Warning:
      return "warning icon";
    case BoxIcon::Question:
      return "question icon";
    case BoxIcon::Unknown:
      break;
  }
  return "an icon of its own";
}

BoxIcon IconOf(HWND message_box) {
  const HWND icon = IconStaticOf(message_box);
  if (icon == nullptr)
    return BoxIcon::None;
  RECT rect = WindowRectOf(icon);
  // The box may still be drawing itself when it has just appeared.
  Sleep(100);
  const Pixels shown = CaptureScreen(rect);
  const struct {
    LPCWSTR id;
    BoxIcon icon;
  } candidates[] = {{IDI_INFORMATION, BoxIcon::Information},
                    {IDI_ERROR, BoxIcon::Critical},
                    {IDI_WARNING, BoxIcon::Warning},
                    {IDI_QUESTION, BoxIcon::Question}};
  BoxIcon best = BoxIcon::Unknown;
  double best_difference = 255.0;
  for (const auto& candidate : candidates) {
    const double difference = MeanDifference(
        shown, DrawIconOn(candidate.id, shown.width, shown.height, shown.data.front()));
    if (difference < best_difference) {
      best_difference = difference;
      best = candidate.icon;
    }
  }
  // Close to one of them, not merely less unlike it than the others.
  return best_difference < 8.0 ? best : BoxIcon::Unknown;
}

ChildProgramWatch::ChildProgramWatch(DWORD parent_process_id, const std::wstring& exe_name)
    : parent_(parent_process_id), exe_name_(exe_name) {
  InitializeCriticalSection(&lock_);
  thread_ = CreateThread(nullptr, 0, &ChildProgramWatch::Watch, this, 0, nullptr);
  if (thread_ == nullptr) {
    DeleteCriticalSection(&lock_);
    throw DriverError("cannot start the watch for " + win32::WideToUtf8(exe_name));
  }
}

ChildProgramWatch::~ChildProgramWatch() {
  InterlockedExchange(&stop_, 1);
  WaitForSingleObject(thread_, INFINITE);
  CloseHandle(thread_);
  DeleteCriticalSection(&lock_);
}

std::size_t ChildProgramWatch::Count() const {
  EnterCriticalSection(&lock_);
  const std::size_t count = seen_.size();
  LeaveCriticalSection(&lock_);
  return count;
}

DWORD WINAPI ChildProgramWatch::Watch(void* self) {
  auto* watch = static_cast<ChildProgramWatch*>(self);
  while (InterlockedCompareExchange(&watch->stop_, 0, 0) == 0) {
    watch->Look();
    Sleep(5);
  }
  return 0;
}

std::size_t ChildProgramWatch::RunningNow() const {
  return Running().size();
}

std::set<DWORD> ChildProgramWatch::Running() const {
  std::set<DWORD> running;
  const win32::ScopedFile snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
  if (!snapshot)
    return running;
  PROCESSENTRY32W entry = {};
  entry.dwSize = sizeof entry;
  for (BOOL more = Process32FirstW(snapshot.get(), &entry); more;
       more = Process32NextW(snapshot.get(), &entry)) {
    if (entry.th32ParentProcessID == parent_ && _wcsicmp(entry.szExeFile, exe_name_.c_str()) == 0)
      running.insert(entry.th32ProcessID);
  }
  return running;
}

void ChildProgramWatch::Look() {
  const std::set<DWORD> running = Running();
  EnterCriticalSection(&lock_);
  seen_.insert(running.begin(), running.end());
  LeaveCriticalSection(&lock_);
}

}  // namespace quillset::e2e
