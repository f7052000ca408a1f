#include "e2e/driver.h"

#include <cstdio>
#include <fstream>
#include <iterator>
#include <map>
#include <sstream>
#include <stdexcept>

namespace quillset::e2e {

namespace fs = std::filesystem;
using testing::Row;
using testing::Split;

namespace {

SC_HANDLE NoService() {
  return nullptr;
}
using ScopedService = win32::UniqueHandle<SC_HANDLE, &CloseServiceHandle, &NoService>;

const wchar_t* const kAppDefaults = L"Software\\Wine\\AppDefaults\\quillset.exe";
const std::wstring kServiceProgram = L"tests\\standins\\quillset_service.exe";

std::wstring BuildFile(const std::wstring& relative) {
  return Wide("Z:" + testing::ReplaceAll(QUILLSET_BUILD "/", "/", "\\")) + relative;
}

HKEY RootKey(std::uintptr_t root) {
  return root == 0x80000002u ? HKEY_LOCAL_MACHINE : HKEY_CLASSES_ROOT;
}

// Waits up to ten seconds for the condition.
template <typename Condition>
bool WaitFor(Condition condition) {
  for (int i = 0; i < 200 && !condition(); ++i)
    Sleep(50);
  return condition();
}

DWORD StateOf(SC_HANDLE service) {
  SERVICE_STATUS status{};
  return QueryServiceStatus(service, &status) ? status.dwCurrentState : 0;
}

// Creates the service, served by the stand-in service program, or takes it over, then starts or
// stops it. Wine now and then fails a start with an internal error; the next start succeeds.
void SetService(const std::wstring& name, const std::wstring& display, bool running) {
  const ScopedService manager(OpenSCManagerW(nullptr, nullptr, SC_MANAGER_ALL_ACCESS));
  const std::wstring program = L"\"" + BuildFile(kServiceProgram) + L"\"";
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
  SERVICE_STATUS status{};
  const DWORD wanted = running ? SERVICE_RUNNING : SERVICE_STOPPED;
  for (int attempt = 0; attempt < 3 && StateOf(service.get()) != wanted; ++attempt) {
    if (running)
      StartServiceW(service.get(), 0, nullptr);
    else
      ControlService(service.get(), SERVICE_CONTROL_STOP, &status);
    WaitFor([&] { return StateOf(service.get()) == wanted; });
  }
  if (StateOf(service.get()) != wanted)
    throw std::runtime_error("the service " + Utf8(name) + " did not start or stop");
}

BOOL CALLBACK Collect(HWND window, LPARAM list) {
  reinterpret_cast<std::vector<HWND>*>(list)->push_back(window);
  return TRUE;
}

// The visible top-level windows of a process.
std::vector<HWND> WindowsOf(DWORD process) {
  std::vector<HWND> windows;
  EnumWindows(&Collect, reinterpret_cast<LPARAM>(&windows));
  std::erase_if(windows, [&](HWND window) {
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    return owner != process || !IsWindowVisible(window);
  });
  return windows;
}

HWND FindControl(HWND root, const std::string& kind, const std::string& text) {
  for (HWND control : Descendants(root))
    if (ClassOf(control) == kind && TextOf(control) == text)
      return control;
  return nullptr;
}

// The message box's icon by its colour on screen: the critical-stop icon is red (style 16), the
// exclamation mark's yellow (style 48), the information icon blue (style 64).
std::string IconStyle(HWND dialog) {
  for (int attempt = 0; attempt < 20; ++attempt, Sleep(50)) {
    for (HWND icon : Descendants(dialog)) {
      RECT rect{};
      GetWindowRect(icon, &rect);
      const win32::WindowDC screen(nullptr);
      int red = 0, yellow = 0, blue = 0;  // along the icon's middle row
      for (int x = rect.left;
           (GetWindowLongW(icon, GWL_STYLE) & SS_TYPEMASK) == SS_ICON && x < rect.right; ++x) {
        const COLORREF c = GetPixel(screen.get(), x, (rect.top + rect.bottom) / 2);
        red += GetRValue(c) > 160 && GetGValue(c) < 100 && GetBValue(c) < 100;
        yellow += GetRValue(c) > 160 && GetGValue(c) > 160 && GetBValue(c) < 100;
        blue += GetBValue(c) > 160 && GetRValue(c) < 100;
      }
      if (red > 4 || yellow > 4 || blue > 4)
        return yellow > std::max(red, blue) ? "48" : red > blue ? "16" : "64";
    }
  }
  return "0";
}

void AnswerDialog(HWND dialog, std::vector<std::string>& answers, testing::Outcome& seen) {
  Sleep(100 + PauseMs());  // let it paint
  if (HWND edit = FindWindowExW(dialog, nullptr, L"Edit", nullptr)) {
    seen.dialogs.push_back("ask " + TextOf(dialog) + " | " +
                           TextOf(FindWindowExW(dialog, nullptr, L"Static", nullptr)));
    // "NAME | ACTION": the name typed, then the box left by the action (Abbrechen, Escape, close).
    const std::vector<std::string> answer = Split(answers.empty() ? "" : answers.front(), " | ");
    SendMessageW(edit, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(Wide(answer[0]).c_str()));
    answer.size() > 1
        ? Act(dialog, answer[1])
        : void(PostMessageW(dialog, WM_COMMAND, answers.empty() ? IDCANCEL : IDOK, 0));
    if (!answers.empty())
      answers.erase(answers.begin());
  } else {
    seen.dialogs.push_back("box " + IconStyle(dialog) + " | " + TextOf(dialog) + " | " +
                           TextOf(GetDlgItem(dialog, 0xFFFF)));
    PostMessageW(dialog, WM_COMMAND, IDOK, 0);
  }
  WaitFor([&] { return !IsWindow(dialog) || !IsWindowVisible(dialog); });
}

}  // namespace

std::string TextOf(HWND window) {
  std::wstring text(static_cast<std::size_t>(SendMessageW(window, WM_GETTEXTLENGTH, 0, 0)) + 1,
                    L'\0');
  text.resize(SendMessageW(window, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data())));
  return Utf8(text);
}

std::string ClassOf(HWND window) {
  wchar_t name[64] = {};
  GetClassNameW(window, name, 64);
  return Utf8(name);
}

std::string ComputerName() {
  char name[256] = {};
  DWORD size = sizeof name;
  GetComputerNameA(name, &size);
  return name;
}

std::vector<HWND> Descendants(HWND window) {
  std::vector<HWND> found;
  EnumChildWindows(window, &Collect, reinterpret_cast<LPARAM>(&found));
  return found;
}

Machine::Machine(const Row& row) : row_(row) {
  Clear();
  std::error_code empty;  // a drive's root without files answers "not found"
  for (const fs::directory_entry& entry : fs::directory_iterator(L"Q:\\", empty))
    fs::remove_all(entry.path());
  for (const testing::RegOperation& op : testing::RegistryOf(row)) {
    win32::ScopedKey key;
    RegCreateKeyExW(RootKey(op.root), Wide(op.path).c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                    key.receive(), nullptr);
    // Texts as UTF-16, the other values as their bytes.
    const std::wstring text = Wide(op.data);
    const bool is_text = op.type == REG_SZ || op.type == REG_EXPAND_SZ || op.type == REG_MULTI_SZ;
    if (op.has_value)
      RegSetValueExW(key.get(), Wide(op.name).c_str(), 0, op.type,
                     is_text ? reinterpret_cast<const BYTE*>(text.data())
                             : reinterpret_cast<const BYTE*>(op.data.data()),
                     static_cast<DWORD>(is_text ? text.size() * 2 : op.data.size()));
  }
  // The screen's DPI and the Windows version that Wine reports to quillset.exe: each program
  // started from now on reads them.
  const DWORD dpi = std::stoul(row.One("dpi", "96"));
  const std::wstring version = L"win" + Wide(row.One("windows"));
  RegSetKeyValueW(HKEY_CURRENT_USER, L"Control Panel\\Desktop", L"LogPixels", REG_DWORD, &dpi, 4);
  if (row.Has("windows"))
    RegSetKeyValueW(HKEY_CURRENT_USER, kAppDefaults, L"Version", REG_SZ, version.c_str(),
                    static_cast<DWORD>(version.size() + 1) * 2);
  SetService(L"LanmanServer", L"Server", row.One("server", "running") == "running");
  for (const std::string& name : Split(row.One("running"), ", "))
    if (!name.empty())
      SetService(Wide(name), Wide(name), true);

  const fs::path app = AppFolder(), demo = BuildFile(L"demo");
  fs::create_directories(L"Q:\\Temp");
  fs::create_directories(L"Q:\\Programme");
  fs::copy(demo, app, fs::copy_options::recursive);  // the MSDE folder as the build assembles it
  for (const auto& [thing, file] :
       {std::pair{"setup.exe", "setup.exe"}, {"setup.ini", "setup.ini"}, {"packages", "setup"}})
    if (row.Missing(thing))
      fs::remove_all(app / file);
  if (!row.Missing("setup.ini")) {
    std::ofstream ini(app / "setup.ini");
    ini << "[quillset-standin]\r\n";
    for (const std::string& knob : row.All("knob"))
      ini << knob << "\r\n";
  }
  for (const std::string& folder : row.All("folder"))
    fs::create_directories(Wide(folder));
  for (const std::string& file : row.All("plant"))
    fs::copy_file(file.ends_with(".dll") ? fs::path(BuildFile(L"tests\\standins\\planted.dll"))
                                         : demo / "setup.exe",
                  Wide(file));
  if (row.Has("lock"))
    locked_.reset(CreateFileW(Wide(row.One("lock")).c_str(), GENERIC_WRITE, 0, nullptr,
                              CREATE_ALWAYS, 0, nullptr));
  if (row.One("hold") == "_MSIExecute")
    held_.reset(CreateMutexW(nullptr, TRUE, L"Global\\_MSIExecute"));
  std::ofstream answers(L"Q:\\osql.txt", std::ios::binary);
  for (const std::string& answer : row.All("osql"))
    answers << testing::ReplaceAll(answer, "{computer}", ComputerName()) << "\n";
}

// Stops and removes every instance service (MSSQLSERVER and MSSQL$NAME) and the registrations.
void Machine::Clear() const {
  const ScopedService manager(OpenSCManagerW(nullptr, nullptr, SC_MANAGER_ALL_ACCESS));
  std::vector<BYTE> buffer(256 * 1024);
  DWORD needed = 0, count = 0;
  EnumServicesStatusExW(manager.get(), SC_ENUM_PROCESS_INFO, SERVICE_WIN32, SERVICE_STATE_ALL,
                        buffer.data(), static_cast<DWORD>(buffer.size()), &needed, &count, nullptr,
                        nullptr);
  const auto* services = reinterpret_cast<const ENUM_SERVICE_STATUS_PROCESSW*>(buffer.data());
  for (DWORD i = 0; i < count; ++i) {
    if (std::wstring(services[i].lpServiceName).rfind(L"MSSQL", 0) != 0)
      continue;
    SetService(services[i].lpServiceName, services[i].lpDisplayName, false);
    const ScopedService service(
        OpenServiceW(manager.get(), services[i].lpServiceName, SERVICE_ALL_ACCESS));
    DeleteService(service.get());
  }
  RegDeleteTreeW(HKEY_LOCAL_MACHINE, L"SOFTWARE\\Microsoft\\Microsoft SQL Server");
  RegDeleteTreeW(HKEY_LOCAL_MACHINE, L"SOFTWARE\\Microsoft\\MSSQLServer");
  RegDeleteKeyValueW(HKEY_CURRENT_USER, L"Control Panel\\Desktop", L"LogPixels");
  RegDeleteTreeW(HKEY_CURRENT_USER, kAppDefaults);
  for (const testing::RegOperation& op : testing::RegistryOf(row_))
    RegDeleteTreeW(RootKey(op.root), Wide(op.path).c_str());
}

// The runner's own environment, which quillset.exe inherits: the stand-in osql first on the PATH,
// TEMP and ProgramFiles on Q: (Wine makes a program's ProgramFiles from the other two after its
// bitness), the stand-ins' files, then the row's changes, which clearing takes back.
void Machine::SetEnvironment(bool clear) const {
  const wchar_t* program_files[] = {L"ProgramFiles", L"ProgramFiles(x86)", L"ProgramW6432"};
  const std::wstring path = row_.Missing("osql") ? L"" : BuildFile(L"tests\\standins") + L";";
  SetEnvironmentVariableW(L"PATH", (path + L"C:\\windows\\system32;C:\\windows").c_str());
  SetEnvironmentVariableW(L"TEMP", L"Q:\\Temp");
  for (const wchar_t* name : program_files)
    SetEnvironmentVariableW(name, L"Q:\\Programme");
  SetEnvironmentVariableW(L"QS_OSQL_ANSWERS", L"Q:\\osql.txt");
  SetEnvironmentVariableW(L"QS_SETUP_RECORD", L"Q:\\setup-runs.txt");
  for (const std::string& change : Split(row_.One("env"), ", ")) {
    const bool remove = change.starts_with("-");
    const std::wstring name = Wide(change.substr(remove, change.find('=') - remove));
    const std::wstring value = Wide(change.substr(change.find('=') + 1));
    if (change.empty() || (remove && clear))
      continue;  // a removed variable comes back with the next row
    if (name == L"ProgramFiles")
      for (const wchar_t* each : program_files)
        SetEnvironmentVariableW(each, nullptr);
    else
      SetEnvironmentVariableW(name.c_str(), remove || clear ? nullptr : value.c_str());
  }
}

std::vector<std::string> Machine::SetupRuns() const {
  std::vector<std::string> lines;
  std::ifstream in(L"Q:\\setup-runs.txt", std::ios::binary);
  for (std::string line; std::getline(in, line);)
    lines.push_back(win32::AnsiToUtf8(line));  // the stand-in records the line it was given
  return lines;
}

std::vector<std::string> Machine::ConnectToValues() const {
  std::vector<std::string> values;
  win32::ScopedKey key;
  RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"SOFTWARE\\Microsoft\\MSSQLSERVER\\Client\\ConnectTo", 0,
                KEY_READ, key.receive());
  wchar_t name[256], data[1024];
  for (DWORD i = 0, name_size = 256, data_size = sizeof data;
       key && RegEnumValueW(key.get(), i, name, &name_size, nullptr, nullptr,
                            reinterpret_cast<BYTE*>(data), &data_size) == ERROR_SUCCESS;
       ++i, name_size = 256, data_size = sizeof data)
    values.push_back(Utf8(name) + "=" + Utf8(std::wstring(data, wcsnlen(data, data_size / 2))));
  std::sort(values.begin(), values.end());
  return values;
}

std::vector<std::string> Machine::LogLines() const {
  const std::string arguments = row_.One("args");
  std::string path = "Q:\\Temp\\quillset-assistant.log";
  if (const std::size_t at = arguments.find("/log "); at != std::string::npos) {
    const bool quoted = arguments[at + 5] == '"';
    path = arguments.substr(at + 5 + quoted,
                            arguments.find(quoted ? '"' : ' ', at + 6) - at - 5 - quoted);
  }
  std::ifstream in(fs::path(Wide(path)), std::ios::binary);
  std::string text((std::istreambuf_iterator<char>(in)), {});
  if (!text.starts_with("\xEF\xBB\xBF") || !text.ends_with("\r\n"))
    return {"no byte-order mark or no CR LF at the end: " + text};
  std::vector<std::string> lines = Split(text.substr(3, text.size() - 5), "\r\n");
  for (std::string& line : lines) {
    const bool stamped = line.size() > 20 && line[4] == '-' && line[7] == '-' && line[10] == ' ' &&
                         line[13] == ':' && line[16] == ':' && line[19] == ' ';
    line = stamped ? line.substr(20) : "no time stamp: " + line;
  }
  return lines;
}

Program::Program(const Machine& machine, const std::string& arguments)
    : job_(CreateJobObjectW(nullptr, nullptr)), exe_(machine.AppFolder() + L"\\quillset.exe") {
  JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits{};
  limits.BasicLimitInformation.LimitFlags = JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE;
  SetInformationJobObject(job_.get(), JobObjectExtendedLimitInformation, &limits, sizeof limits);
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION started{};
  std::wstring command = L"\"" + exe_ + L"\"" + Wide(arguments.empty() ? "" : " " + arguments);
  machine.SetEnvironment(false);
  // Wine now and then fails a start with an internal error; a second start succeeds.
  for (int attempt = 0; attempt < 3 && started.hProcess == nullptr; ++attempt) {
    if (!CreateProcessW(exe_.c_str(), command.data(), nullptr, nullptr, FALSE, CREATE_SUSPENDED,
                        nullptr, machine.CurrentFolder().c_str(), &startup, &started) &&
        GetLastError() != ERROR_INTERNAL_ERROR)
      throw std::runtime_error("cannot start quillset.exe: " + std::to_string(GetLastError()));
  }
  process_.reset(started.hProcess);
  id_ = started.dwProcessId;
  AssignProcessToJobObject(job_.get(), started.hProcess);
  ResumeThread(started.hThread);
  CloseHandle(started.hThread);
  WaitFor([&] { return !WindowsOf(id_).empty() || Ended(); });
  for (HWND window : WindowsOf(id_))
    window_ = ClassOf(window) == "#32770" ? window_ : window;  // a box is no main window
  // Its message loop idle: the window is complete, the controls of pages not yet shown made too.
  if (window_ != nullptr)
    WaitForInputIdle(process_.get(), 10000);
}

std::string Program::ExitCode() const {
  DWORD code = 0;
  WaitForSingleObject(process_.get(), 10000);
  return GetExitCodeProcess(process_.get(), &code) ? std::to_string(code) : "unreadable";
}

int Program::Children() const {
  JOBOBJECT_BASIC_ACCOUNTING_INFORMATION accounting{};
  QueryInformationJobObject(job_.get(), JobObjectBasicAccountingInformation, &accounting,
                            sizeof accounting, nullptr);
  return static_cast<int>(accounting.ActiveProcesses) - (Ended() ? 0 : 1);
}

// The processor time of the program's Linux process, whose command line Wine makes the program's
// path (for 32-bit and 64-bit programs alike), and of this prefix's Wine server, which does much of
// the work of each Windows call the program makes.
double Program::CpuSeconds() const {
  const char* prefix = std::getenv("WINEPREFIX");
  std::error_code error;  // /proc is searched once; an empty path lists nothing
  const fs::path proc = std::exchange(scanned_, true) ? fs::path() : fs::path(L"Z:\\proc");
  for (const fs::directory_entry& entry : fs::directory_iterator(proc, error)) {
    std::ifstream command_file(entry.path() / "cmdline"),
        environment_file(entry.path() / "environ");
    const std::string command((std::istreambuf_iterator<char>(command_file)), {}),
        environment((std::istreambuf_iterator<char>(environment_file)), {});
    if (unix_processes_.size() < 2 &&
        (_wcsicmp(Wide(command.c_str()).c_str(), exe_.c_str()) == 0 ||
         (command.starts_with("/usr/lib/wine/wineserver") && prefix != nullptr &&
          environment.find("WINEPREFIX=" + std::string(prefix) + '\0') != std::string::npos)))
      unix_processes_.push_back(entry.path());
  }
  long ticks = 0;
  for (const fs::path& process : unix_processes_) {
    std::ifstream in(process / "stat");
    const std::string stat((std::istreambuf_iterator<char>(in)), {});
    // Fields 14 and 15 of the line are the user and system time in 1/100 s.
    std::istringstream fields(stat.substr(std::min(stat.size(), stat.rfind(')') + 2)));
    std::string field;
    for (int number = 3; number <= 15 && fields >> field; ++number)
      ticks += number >= 14 ? std::stol(field) : 0;
  }
  return unix_processes_.size() == 2 && !Ended() ? ticks / 100.0 : -1;
}

std::string PageName(HWND page) {
  // Each page known by a text only it shows.
  for (const auto& [kind, text, name] :
       {std::tuple{"Button", "&Weiter", "intro"},
        {"Button", "A&bbruch", "old"},
        {"Button", "&Installieren", "found"},
        {"Static", "Bitte warten Sie, bis die Installation beendet ist...", "wait"}})
    if (FindControl(page, kind, text))
      return name;
  return "";
}

std::string PageInView(HWND window) {
  // The first visible page from the top of the stack.
  for (HWND page = GetWindow(window, GW_CHILD); page; page = GetWindow(page, GW_HWNDNEXT))
    if (IsWindowVisible(page) && !PageName(page).empty())
      return PageName(page);
  return "none";
}

std::vector<std::string> ListItems(HWND window) {
  std::vector<std::string> items;
  for (HWND list : Descendants(window)) {
    for (LRESULT i = 0; ClassOf(list) == "ListBox" && i < SendMessageW(list, LB_GETCOUNT, 0, 0);
         ++i) {
      wchar_t item[512] = {};  // a server's name, edition and version
      SendMessageW(list, LB_GETTEXT, i, reinterpret_cast<LPARAM>(item));
      items.push_back(Utf8(item));
    }
  }
  return items;
}

int PauseMs() {
  const char* pause = std::getenv("QS_PAUSE_MS");
  return pause != nullptr ? std::atoi(pause) : 0;
}

void Settle(const Program& program, std::vector<std::string>& answers, std::string& during,
            testing::Outcome& seen) {
  DWORD wait_began = 0;
  double cpu_then = 0;
  for (int calm = 0, running_ms = 0, open_behind_wait = 0, seen_bordered = 0;
       calm < 6 && !program.Ended() && seen.dialogs.size() < 40;) {
    Sleep(50);
    DWORD_PTR result = 0;
    if (!SendMessageTimeoutW(program.window(), WM_NULL, 0, 0, SMTO_NORMAL, 2000, &result) &&
        IsWindow(program.window()) && !program.Ended())
      ADD_FAILURE() << "the window left a message unanswered for 2 s";
    for (HWND dialog : WindowsOf(program.id())) {
      if (ClassOf(dialog) == "#32770") {
        AnswerDialog(dialog, answers, seen);
        calm = -1;
      }
    }
    // A page in view shows no caption and no border (a frame style or a drawn edge changes the
    // colour along its left edge): checked while no box covers the window, and failed when seen
    // in three checks running (a page can be caught half painted once).
    std::string bordered;
    for (HWND page = GetWindow(program.window(), GW_CHILD);
         page && WindowsOf(program.id()).size() == 1; page = GetWindow(page, GW_HWNDNEXT)) {
      RECT r{};
      GetWindowRect(page, &r);
      UpdateWindow(page);  // painted before its pixels are read
      const win32::WindowDC dc(nullptr);
      const int y = (r.top + r.bottom) / 2;
      if (IsWindowVisible(page) && !PageName(page).empty() &&
          (GetPixel(dc.get(), r.left, y) != GetPixel(dc.get(), r.left + 4, y) ||
           !TextOf(page).empty()))
        bordered = PageName(page) + " " + TextOf(page);
    }
    seen_bordered = bordered.empty() ? 0 : seen_bordered + 1;
    EXPECT_LT(seen_bordered, 3) << "a page shows a border or a caption: " << bordered;
    const int children = program.Children();
    running_ms = children > 0 ? running_ms + 50 : 0;
    if (!during.empty() && running_ms >= 500)
      Act(program.window(), std::exchange(during, ""));
    const bool waiting = children > 0 && PageInView(program.window()) == "wait";
    open_behind_wait = waiting && IsWindowEnabled(program.window()) ? open_behind_wait + 1 : 0;
    EXPECT_LT(open_behind_wait, 2) << "a program runs behind the wait page of an enabled window";
    // While it waits for a program the assistant sleeps: measured over each second of waiting.
    if (!waiting || wait_began == 0) {
      wait_began = waiting ? GetTickCount() : 0;
      cpu_then = waiting ? program.CpuSeconds() : 0;
    } else if (GetTickCount() - wait_began >= 1000) {
      const double share = (program.CpuSeconds() - cpu_then) * 1000 / (GetTickCount() - wait_began);
      if (cpu_then < 0)
        std::printf("[ note     ] the processor time of quillset.exe cannot be read here\n");
      else
        EXPECT_LT(share, 0.15) << "processor used by quillset.exe and Wine while it waits";
      wait_began = 0;
    }
    calm = children == 0 ? calm + 1 : 0;
  }
}

void Act(HWND window, const std::string& action) {
  const std::map<std::string, UINT> keys = {
      {"Tab", VK_TAB}, {"Enter", VK_RETURN}, {"Space", VK_SPACE}, {"Escape", VK_ESCAPE}};
  const bool alt = action.starts_with("Alt+"), letter = alt || action.size() == 1;
  const UINT key = letter ? std::toupper(static_cast<unsigned char>(action.back()))
                          : (keys.contains(action) ? keys.at(action) : 0);
  if (action == "close")
    PostMessageW(window, WM_CLOSE, 0, 0);
  if (key != 0) {
    // Posted to the control with the focus, as the keyboard delivers it.
    GUITHREADINFO thread{};
    thread.cbSize = sizeof thread;
    GetGUIThreadInfo(GetWindowThreadProcessId(window, nullptr), &thread);
    HWND target = thread.hwndFocus != nullptr ? thread.hwndFocus : window;
    const LPARAM bits = 1 | MapVirtualKeyW(key, MAPVK_VK_TO_VSC) << 16 | (alt ? 1 << 29 : 0);
    PostMessageW(target, alt ? WM_SYSKEYDOWN : WM_KEYDOWN, key, bits);
    if (letter)
      PostMessageW(target, alt ? WM_SYSCHAR : WM_CHAR, std::tolower(static_cast<int>(key)), bits);
    PostMessageW(target, alt ? WM_SYSKEYUP : WM_KEYUP, key, bits | 0xC0000000);
  }
  // A user reaches only the visible buttons of an enabled window.
  for (HWND button : Descendants(window)) {
    std::string caption = TextOf(button);
    std::erase(caption, '&');
    if (caption == action && ClassOf(button) == "Button" && IsWindowVisible(button) &&
        IsWindowEnabled(window))
      PostMessageW(button, BM_CLICK, 0, 0);
  }
}

}  // namespace quillset::e2e
