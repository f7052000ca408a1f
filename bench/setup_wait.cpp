// How quillset.exe waits for the MSDE setup: the processor time it uses while the setup stand-in
// works for 10 s, and the longest time its window leaves a message unanswered meanwhile. Both are
// measured from outside: GetProcessTimes on the program's process handle when the setup starts
// and when it ends, and a message sent to its window every ~10 ms (SendMessageTimeout) whose
// answer is timed.
//
// Side by side, on the same setup and the same command line: a reference that waits the way the
// original design describes it (WaitForSingleObject with a time-out of 0, disable the window,
// handle every pending message, again at once), run by this program itself as
// `setup_wait.exe --busy-reference <setup command line>`.
//
// Run under Wine in a prepared prefix with a display, e.g.
//   tests/e2e/wine-run x86_64 build/windows-x64/bench/setup_wait.exe
// It arranges what the run needs and puts it back: an MSDE folder below C:\quillset-bench with
// quillset.exe, the setup stand-in (DelaySeconds=10, Fail=1: it registers nothing) and the
// packages; the "Server" service (the stand-in service program under the name LanmanServer) when
// none runs. The machine must not have the instance GLOBANA. quillset.exe is looked for in
// QUILLSET_EXE, else in ..\src beside this program's folder; the stand-ins in
// QUILLSET_STANDINS_DIR, else in ..\tests\standins (the build tree's layout).
//
// Prints a table and machine-readable lines "RESULT <name> <value> <unit>". Exit code 0 when
// quillset meets its goals (<= 0.1 s CPU, <= 100 ms unanswered), 1 when it misses them, 2 when
// the measurement could not be made.
#include <windows.h>
// After windows.h, which it needs.
#include <tlhelp32.h>

#include <algorithm>
#include <atomic>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "inspect/instance_inventory.h"
#include "inspect/package_detection.h"
#include "install/setup_command.h"
#include "platform/win32/ansi_text.h"
#include "platform/win32/handle.h"
#include "platform/win32/win32_registry.h"
#include "platform/win32/win32_window.h"
#include "support/clock.h"
#include "support/watched_program.h"

namespace {

using namespace quillset;
using bench::NowMs;
namespace fs = std::filesystem;

constexpr int kSetupSeconds = 10;
constexpr double kCpuGoalSeconds = 0.1;
constexpr double kUnansweredGoalMs = 100.0;
constexpr wchar_t kQuillsetCaption[] = L"MSDE - Installationstool";
constexpr wchar_t kReferenceCaption[] = L"setup_wait busy reference";
constexpr wchar_t kReferenceSwitch[] = L"--busy-reference";
constexpr DWORD kStepLimitMs = 120000;

class Failure : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

double CpuSecondsOf(HANDLE process) {
  FILETIME created, exited, kernel, user;
  if (!GetProcessTimes(process, &created, &exited, &kernel, &user))
    throw Failure("GetProcessTimes failed, error " + std::to_string(GetLastError()));
  const auto seconds = [](const FILETIME& t) {
    return static_cast<double>((static_cast<unsigned long long>(t.dwHighDateTime) << 32) |
                               t.dwLowDateTime) /
           1e7;
  };
  return seconds(kernel) + seconds(user);
}

std::wstring ThisProgram() {
  wchar_t path[MAX_PATH] = {};
  GetModuleFileNameW(nullptr, path, MAX_PATH);
  return path;
}

fs::path Configured(const wchar_t* variable, const fs::path& fallback) {
  wchar_t value[MAX_PATH] = {};
  const DWORD length = GetEnvironmentVariableW(variable, value, MAX_PATH);
  return length > 0 && length < MAX_PATH ? fs::path(value) : fallback;
}

// Waits until `probe` answers true, at most `limit_ms`.
template <typename Probe>
void WaitUntil(const std::string& what, DWORD limit_ms, Probe probe) {
  const double deadline = NowMs() + limit_ms;
  while (!probe()) {
    if (NowMs() > deadline)
      throw Failure("waited " + std::to_string(limit_ms / 1000) + " s for " + what);
    Sleep(10);
  }
}

// --- Processor time under Wine -------------------------------------------------------------------

// Wine 8 answers GetProcessTimes for another process with the caller's own times, and most of what
// a program asks of the system (a wait, a look at the message queue) is a request that the Wine
// server answers on its own processor time. Under Wine both are read where Linux keeps them:
// /proc/<pid>/stat on drive Z:.
class LinuxProcessClock {
 public:
  // The Linux process of this Wine prefix (its environment names the same WINEPREFIX, or none
  // when this program has none) whose name (comm) starts with `name_start` (when not empty) and
  // whose command line holds `command_part` (when not empty; letter case ignored). Empty when
  // there is none (always on Windows).
  static std::optional<LinuxProcessClock> Find(const std::string& name_start,
                                               const std::string& command_part) {
    // Without WINEPREFIX the prefix is Wine's default, and so is that of every process without.
    wchar_t prefix[MAX_PATH] = {};
    const bool prefix_set = GetEnvironmentVariableW(L"WINEPREFIX", prefix, MAX_PATH) > 0;
    const std::string wanted = prefix_set ? "\nWINEPREFIX=" + win32::WideToUtf8(prefix) + "\n"
                                          : std::string("\nWINEPREFIX=");
    std::error_code error;
    for (const auto& entry : fs::directory_iterator(L"Z:\\proc", error)) {
      const std::wstring pid = entry.path().filename().wstring();
      if (pid.empty() || pid.find_first_not_of(L"0123456789") != std::wstring::npos)
        continue;
      if (!name_start.empty() && ReadAll(entry.path() / "comm").rfind(name_start, 0) != 0)
        continue;
      if (!command_part.empty() &&
          Lower(Lines(ReadAll(entry.path() / "cmdline"))).find(Lower(command_part)) ==
              std::string::npos) {
        continue;
      }
      const bool names_wanted =
          ("\n" + Lines(ReadAll(entry.path() / "environ")) + "\n").find(wanted) !=
          std::string::npos;
      if (names_wanted != prefix_set)
        continue;
      LinuxProcessClock clock;
      clock.stat_ = entry.path() / "stat";
      return clock;
    }
    return std::nullopt;
  }

  // User and system time so far.
  double CpuSeconds() const {
    const std::string stat = ReadAll(stat_);
    const std::size_t name_end = stat.rfind(')');
    if (name_end == std::string::npos)
      return 0;
    // After the name: state (field 3), then fields 4 to 13, then utime (14) and stime (15), in
    // clock ticks.
    std::istringstream fields(stat.substr(name_end + 2));
    std::string field;
    double ticks = 0;
    for (int number = 3; number <= 15 && fields >> field; ++number) {
      if (number >= 14)
        ticks += std::strtod(field.c_str(), nullptr);
    }
    return ticks / 100.0;  // Linux counts 100 ticks per second
  }

 private:
  static std::string ReadAll(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
  }
  static std::string Lines(std::string text) {
    std::replace(text.begin(), text.end(), '\0', '\n');
    return text;
  }
  static std::string Lower(std::string text) {
    for (char& c : text)
      c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
  }

  fs::path stat_;
};

bool GetProcessTimesSeesOnlyItself(HANDLE other) {
  return CpuSecondsOf(other) == CpuSecondsOf(GetCurrentProcess());
}

// --- The reference: the busy wait ---------------------------------------------------------------

LRESULT CALLBACK PlainWindowProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  return DefWindowProcW(window, message, wparam, lparam);
}

int RunBusyReference(const std::wstring& setup_command) {
  WNDCLASSW window_class{};
  window_class.lpfnWndProc = &PlainWindowProc;
  window_class.hInstance = GetModuleHandleW(nullptr);
  window_class.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  window_class.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  window_class.lpszClassName = L"QuillsetSetupWaitReference";
  RegisterClassW(&window_class);
  HWND window = CreateWindowExW(0, window_class.lpszClassName, kReferenceCaption,
                                WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 480, 250, nullptr, nullptr,
                                window_class.hInstance, nullptr);
  if (window == nullptr)
    return 2;
  // Started as quillset starts the setup: CreateProcessA, no application name, handles inherited.
  std::string command = win32::WideToUtf8(setup_command);
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION started{};
  if (!CreateProcessA(nullptr, command.data(), nullptr, nullptr, TRUE, NORMAL_PRIORITY_CLASS,
                      nullptr, nullptr, &startup, &started)) {
    return 2;
  }
  CloseHandle(started.hThread);
  while (WaitForSingleObject(started.hProcess, 0) == WAIT_TIMEOUT) {
    EnableWindow(window, FALSE);
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&message);
      DispatchMessageW(&message);
    }
  }
  CloseHandle(started.hProcess);
  DestroyWindow(window);
  return 0;
}

// --- The machine
// ----------------------------------------------------------------------------------

inline SC_HANDLE NullService() {
  return nullptr;
}
using ScopedService = win32::UniqueHandle<SC_HANDLE, &CloseServiceHandle, &NullService>;

DWORD StateOf(SC_HANDLE service) {
  SERVICE_STATUS status{};
  return QueryServiceStatus(service, &status) ? status.dwCurrentState : 0;
}

void WaitForServiceState(SC_HANDLE service, DWORD state) {
  WaitUntil("a service state change", 30000, [&] { return StateOf(service) == state; });
}

// The "Server" service for the length of the run: left alone when it runs; otherwise the stand-in
// service program takes the name LanmanServer (Wine has a disabled one of its own), and the old
// configuration comes back at the end.
class ServerServiceForTheRun {
 public:
  explicit ServerServiceForTheRun(const fs::path& service_program) {
    manager_.reset(OpenSCManagerW(nullptr, nullptr, SC_MANAGER_ALL_ACCESS));
    if (!manager_)
      throw Failure("no access to the service control manager");
    service_.reset(OpenServiceW(manager_.get(), L"LanmanServer", SERVICE_ALL_ACCESS));
    if (service_ && StateOf(service_.get()) == SERVICE_RUNNING)
      return;  // a Server service runs already
    const std::wstring binary = L"\"" + service_program.wstring() + L"\"";
    if (service_) {
      DWORD needed = 0;
      QueryServiceConfigW(service_.get(), nullptr, 0, &needed);
      std::vector<BYTE> buffer(needed);
      auto* config = reinterpret_cast<QUERY_SERVICE_CONFIGW*>(buffer.data());
      if (!QueryServiceConfigW(service_.get(), config, needed, &needed))
        throw Failure("cannot read the configuration of LanmanServer");
      saved_ = Saved{config->dwServiceType, config->dwStartType, config->dwErrorControl,
                     config->lpBinaryPathName ? config->lpBinaryPathName : L"",
                     config->lpDisplayName ? config->lpDisplayName : L""};
      if (!ChangeServiceConfigW(service_.get(), SERVICE_WIN32_OWN_PROCESS, SERVICE_DEMAND_START,
                                SERVICE_ERROR_IGNORE, binary.c_str(), nullptr, nullptr, nullptr,
                                nullptr, nullptr, L"Server")) {
        throw Failure("cannot take over LanmanServer");
      }
    } else {
      service_.reset(CreateServiceW(manager_.get(), L"LanmanServer", L"Server", SERVICE_ALL_ACCESS,
                                    SERVICE_WIN32_OWN_PROCESS, SERVICE_DEMAND_START,
                                    SERVICE_ERROR_IGNORE, binary.c_str(), nullptr, nullptr, nullptr,
                                    nullptr, nullptr));
      if (!service_)
        throw Failure("cannot create the Server service");
      created_ = true;
    }
    changed_ = true;
    if (!StartServiceW(service_.get(), 0, nullptr))
      throw Failure("cannot start the Server service, error " + std::to_string(GetLastError()));
    WaitForServiceState(service_.get(), SERVICE_RUNNING);
  }

  ~ServerServiceForTheRun() {
    if (!changed_)
      return;
    SERVICE_STATUS status{};
    ControlService(service_.get(), SERVICE_CONTROL_STOP, &status);
    try {
      WaitForServiceState(service_.get(), SERVICE_STOPPED);
    } catch (const Failure&) {
    }
    if (created_) {
      DeleteService(service_.get());
    } else if (saved_) {
      ChangeServiceConfigW(service_.get(), saved_->type, saved_->start, saved_->error_control,
                           saved_->binary.c_str(), nullptr, nullptr, nullptr, nullptr, nullptr,
                           saved_->display_name.c_str());
    }
  }
  ServerServiceForTheRun(const ServerServiceForTheRun&) = delete;
  ServerServiceForTheRun& operator=(const ServerServiceForTheRun&) = delete;

 private:
  struct Saved {
    DWORD type, start, error_control;
    std::wstring binary, display_name;
  };
  ScopedService manager_;
  ScopedService service_;
  std::optional<Saved> saved_;
  bool created_ = false;
  bool changed_ = false;
};

// C:\quillset-bench\setup_wait with MSDE\ (quillset.exe beside the setup stand-in, its service
// program, setup.ini, setup\SqlRun01.msi ...), Temp\ and Programme\; removed at the end.
class BenchFolders {
 public:
  BenchFolders(const fs::path& quillset, const fs::path& standins)
      : root_(L"C:\\quillset-bench\\setup_wait") {
    std::error_code ignored;
    fs::remove_all(root_, ignored);
    fs::create_directories(app() / "setup");
    fs::create_directories(temp());
    fs::create_directories(program_files());
    fs::copy_file(quillset, app() / "quillset.exe");
    fs::copy_file(standins / "setup.exe", app() / "setup.exe");
    fs::copy_file(standins / "quillset_service.exe", app() / "quillset_service.exe");
    std::ofstream(app() / "setup.ini", std::ios::binary)
        << "[Options]\r\n[quillset-standin]\r\nDelaySeconds=" << kSetupSeconds << "\r\nFail=1\r\n";
    for (int number = 1; number <= 16; ++number) {
      const std::string name = (number < 10 ? "SqlRun0" : "SqlRun") + std::to_string(number);
      std::ofstream(app() / "setup" / (name + ".msi"), std::ios::binary) << "placeholder\r\n";
    }
  }
  ~BenchFolders() {
    std::error_code ignored;
    fs::remove_all(root_, ignored);
  }
  BenchFolders(const BenchFolders&) = delete;
  BenchFolders& operator=(const BenchFolders&) = delete;

  fs::path app() const { return root_ / "MSDE"; }
  fs::path temp() const { return root_ / "Temp"; }
  fs::path program_files() const { return root_ / "Programme"; }

  // This program's environment with TEMP, TMP and ProgramFiles (and the variables Wine rebuilds
  // it from) pointing into the folder, as a block for CreateProcessW.
  std::wstring Environment() const {
    std::vector<std::wstring> entries;
    wchar_t* strings = GetEnvironmentStringsW();
    for (const wchar_t* entry = strings; *entry != L'\0'; entry += wcslen(entry) + 1)
      entries.emplace_back(entry);
    FreeEnvironmentStringsW(strings);
    const auto set = [&](const std::wstring& name, const std::wstring& value) {
      std::erase_if(entries, [&](const std::wstring& entry) {
        return entry.size() > name.size() && entry[name.size()] == L'=' &&
               _wcsnicmp(entry.c_str(), name.c_str(), name.size()) == 0;
      });
      entries.push_back(name + L"=" + value);
    };
    set(L"TEMP", temp().wstring());
    set(L"TMP", temp().wstring());
    for (const wchar_t* name : {L"ProgramFiles", L"ProgramW6432", L"ProgramFiles(x86)"})
      set(name, program_files().wstring());
    std::sort(entries.begin(), entries.end(), [](const std::wstring& a, const std::wstring& b) {
      return _wcsicmp(a.c_str(), b.c_str()) < 0;
    });
    std::wstring block;
    for (const auto& entry : entries)
      block += entry + L'\0';
    return block + L'\0';
  }

 private:
  fs::path root_;
};

// --- One measured program
// -------------------------------------------------------------------------

// A program started in a job of its own, so that it and whatever it started end with the run.
class Contestant {
 public:
  // `command_marker`: a piece of the command line that tells the program apart in a process list.
  Contestant(const std::wstring& command_line, const std::string& command_marker,
             const BenchFolders& folders)
      : command_marker_(command_marker) {
    job_.reset(CreateJobObjectW(nullptr, nullptr));
    JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits{};
    limits.BasicLimitInformation.LimitFlags = JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE;
    SetInformationJobObject(job_.get(), JobObjectExtendedLimitInformation, &limits, sizeof limits);
    std::wstring line = command_line;
    std::wstring environment = folders.Environment();
    const std::wstring folder = folders.app().wstring();
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION started{};
    if (!CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE,
                        CREATE_UNICODE_ENVIRONMENT | CREATE_SUSPENDED, environment.data(),
                        folder.c_str(), &startup, &started)) {
      throw Failure("cannot start " + win32::WideToUtf8(command_line));
    }
    process_.reset(started.hProcess);
    const win32::ScopedHandle thread(started.hThread);
    id_ = started.dwProcessId;
    AssignProcessToJobObject(job_.get(), process_.get());
    ResumeThread(started.hThread);
  }

  HANDLE process() const { return process_.get(); }
  DWORD id() const { return id_; }
  const std::string& command_marker() const { return command_marker_; }

  HWND WaitForWindow(const wchar_t* caption) const {
    HWND found = nullptr;
    WaitUntil("the window \"" + win32::WideToUtf8(caption) + "\"", kStepLimitMs, [&] {
      found = nullptr;
      for (HWND window = FindWindowW(nullptr, caption); window != nullptr && found == nullptr;
           window = FindWindowExW(nullptr, window, nullptr, caption)) {
        DWORD owner = 0;
        GetWindowThreadProcessId(window, &owner);
        if (owner == id_ && IsWindowVisible(window))
          found = window;
      }
      return found != nullptr;
    });
    return found;
  }

  // The setup.exe this program starts, once it has started it.
  win32::ScopedHandle WaitForSetup() const {
    win32::ScopedHandle setup;
    WaitUntil("setup.exe to start", kStepLimitMs, [&] {
      const win32::ScopedFile snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
      if (!snapshot)
        return false;
      PROCESSENTRY32W entry{};
      entry.dwSize = sizeof entry;
      for (BOOL more = Process32FirstW(snapshot.get(), &entry); more;
           more = Process32NextW(snapshot.get(), &entry)) {
        if (entry.th32ParentProcessID == id_ && _wcsicmp(entry.szExeFile, L"setup.exe") == 0) {
          setup.reset(
              OpenProcess(SYNCHRONIZE | PROCESS_QUERY_INFORMATION, FALSE, entry.th32ProcessID));
          return static_cast<bool>(setup);
        }
      }
      return false;
    });
    return setup;
  }

 private:
  std::string command_marker_;
  win32::ScopedHandle job_;
  win32::ScopedHandle process_;
  DWORD id_ = 0;
};

// One run of a waiting program over the setup's 10 s.
struct Run {
  double setup_seconds = 0;
  double cpu_seconds = 0;         // the program's own processor time
  double server_cpu_seconds = 0;  // the Wine server's processor time meanwhile
  double longest_unanswered_ms = 0;
  double p99_unanswered_ms = 0;  // 99 of 100 pings were answered within this
  int pings = 0;
};

// A program's figures: processor time from a run without pings (answering them costs time of its
// own), the answers from a run with them.
struct Figures {
  Run quiet;
  Run pinged;
};

// Pings `window` every ~10 ms from a thread of its own until stopped; keeps each ping's send and
// answer time.
class Pinger {
 public:
  explicit Pinger(HWND window)
      : thread_([this, window] {
          while (!stop_) {
            const double sent = NowMs();
            DWORD_PTR result = 0;
            SendMessageTimeoutW(window, WM_NULL, 0, 0, SMTO_NORMAL, 60000, &result);
            pings_.push_back({sent, NowMs()});
            Sleep(10);
          }
        }) {}
  ~Pinger() { Stop(); }
  Pinger(const Pinger&) = delete;
  Pinger& operator=(const Pinger&) = delete;

  void Stop() {
    stop_ = true;
    if (thread_.joinable())
      thread_.join();
  }

  struct Answers {
    double longest_ms = 0;
    double p99_ms = 0;
    int count = 0;
  };
  // How long the pings waited for their answers within [from, to]: a ping sent before `from`
  // counts from `from`, one still waiting at `to` until `to` (what the program does after the
  // setup has ended, such as starting the next program, is not part of the setup wait).
  Answers Within(double from, double to) const {
    std::vector<double> waits;
    for (const auto& [sent, answered] : pings_) {
      if (answered < from || sent > to)
        continue;
      waits.push_back(std::min(answered, to) - std::max(sent, from));
    }
    Answers answers;
    if (waits.empty())
      return answers;
    std::sort(waits.begin(), waits.end());
    answers.count = static_cast<int>(waits.size());
    answers.longest_ms = waits.back();
    answers.p99_ms = waits[std::min(waits.size() - 1, waits.size() * 99 / 100)];
    return answers;
  }

 private:
  std::atomic<bool> stop_{false};
  std::vector<std::pair<double, double>> pings_;
  std::thread thread_;
};

// From the setup's start to its end: the contestant's processor time and its window's answers.
// The processor time of a contestant: GetProcessTimes on its handle, or, where that answers with
// the caller's own times (Wine 8), Linux's figure for the process.
class ContestantClock {
 public:
  explicit ContestantClock(const Contestant& contestant) : process_(contestant.process()) {
    if (!GetProcessTimesSeesOnlyItself(process_))
      return;
    linux_ = LinuxProcessClock::Find("", contestant.command_marker());
    if (!linux_)
      throw Failure("GetProcessTimes cannot see another process here, and /proc has no match");
  }
  double CpuSeconds() const { return linux_ ? linux_->CpuSeconds() : CpuSecondsOf(process_); }
  const char* source() const { return linux_ ? "/proc (Linux)" : "GetProcessTimes"; }

 private:
  HANDLE process_;
  std::optional<LinuxProcessClock> linux_;
};

const char* g_clock_source = "GetProcessTimes";

// From the setup's start to its end: the program's processor time, the server's, and (with
// `pinging`) the window's answers.
Run MeasureSetupWait(const Contestant& contestant, HWND window, bool pinging,
                     const std::optional<LinuxProcessClock>& server) {
  std::optional<Pinger> pinger;
  if (pinging)
    pinger.emplace(window);
  const win32::ScopedHandle setup = contestant.WaitForSetup();
  const ContestantClock clock(contestant);
  g_clock_source = clock.source();
  const double cpu_before = clock.CpuSeconds();
  const double server_before = server ? server->CpuSeconds() : 0;
  const double from = NowMs();
  if (WaitForSingleObject(setup.get(), (kSetupSeconds + 110) * 1000) != WAIT_OBJECT_0)
    throw Failure("the setup did not end");
  const double to = NowMs();
  Run run;
  run.cpu_seconds = clock.CpuSeconds() - cpu_before;
  run.server_cpu_seconds = server ? server->CpuSeconds() - server_before : 0;
  run.setup_seconds = (to - from) / 1000.0;
  if (pinger) {
    // The ping in flight at the end is answered before the figures are taken.
    Sleep(200);
    pinger->Stop();
    const Pinger::Answers answers = pinger->Within(from, to);
    run.longest_unanswered_ms = answers.longest_ms;
    run.p99_unanswered_ms = answers.p99_ms;
    run.pings = answers.count;
  }
  return run;
}

HWND ControlOf(HWND window, platform::ControlId id) {
  return bench::ControlWithId(window, win32::Win32ControlId(id));
}

Run RunQuillset(const BenchFolders& folders, bool pinging,
                const std::optional<LinuxProcessClock>& server) {
  const fs::path exe = folders.app() / "quillset.exe";
  Contestant quillset(L"\"" + exe.wstring() + L"\"", exe.string(), folders);
  const HWND window = quillset.WaitForWindow(kQuillsetCaption);
  HWND weiter = nullptr;
  WaitUntil("the button \"&Weiter\"", kStepLimitMs, [&] {
    weiter = ControlOf(window, platform::ControlId::Cmd_Installieren);
    return weiter != nullptr && IsWindowVisible(weiter);
  });
  PostMessageW(weiter, BM_CLICK, 0, 0);
  return MeasureSetupWait(quillset, window, pinging, server);
}

Run RunReference(const BenchFolders& folders, const std::string& setup_command, bool pinging,
                 const std::optional<LinuxProcessClock>& server) {
  Contestant reference(
      L"\"" + ThisProgram() + L"\" " + kReferenceSwitch + L" " + win32::Utf8ToWide(setup_command),
      win32::WideToUtf8(kReferenceSwitch), folders);
  return MeasureSetupWait(reference, reference.WaitForWindow(kReferenceCaption), pinging, server);
}

// The command line quillset builds on this machine: GLOBANA, the lowest free package.
std::string SetupCommandOf(const BenchFolders& folders) {
  win32::Win32Registry registry;
  if (!IsInstanceNameFree(registry, "GLOBANA") || CountInstalledInstances(registry) >= 16)
    throw Failure("the machine has the instance GLOBANA or 16 instances; use a prefix without");
  ProductCodeTable codes;
  std::string setup_product_code;
  const std::int16_t package =
      ChooseFreePackageNumber(DetectMsdePackages(registry, codes, setup_product_code));
  const std::string app = folders.app().string();
  return SetupCommandFor(app,
                         SetupArgumentsFor(app, SetupLogPathFor(folders.temp().string()), "GLOBANA",
                                           TargetFolderFor(folders.program_files().string())),
                         PackageOptionFor(app, package));
}

void PrintRow(const char* name, const Figures& figures, bool with_server) {
  std::printf("%-22s %8.2f s %9.3f s", name, figures.quiet.setup_seconds,
              figures.quiet.cpu_seconds);
  if (with_server)
    std::printf(" %11.3f s", figures.quiet.server_cpu_seconds);
  std::printf(" %14.1f ms %9.1f ms %6d\n", figures.pinged.longest_unanswered_ms,
              figures.pinged.p99_unanswered_ms, figures.pinged.pings);
}

void PrintResults(const char* name, const Figures& figures, bool with_server) {
  std::printf("RESULT setup_wait.%s.cpu %.3f s\n", name, figures.quiet.cpu_seconds);
  if (with_server)
    std::printf("RESULT setup_wait.%s.wineserver_cpu %.3f s\n", name,
                figures.quiet.server_cpu_seconds);
  std::printf("RESULT setup_wait.%s.longest_unanswered %.1f ms\n", name,
              figures.pinged.longest_unanswered_ms);
  std::printf("RESULT setup_wait.%s.p99_unanswered %.1f ms\n", name,
              figures.pinged.p99_unanswered_ms);
}

bool SetupRanFully(const Figures& figures) {
  return figures.quiet.setup_seconds >= kSetupSeconds - 1 &&
         figures.pinged.setup_seconds >= kSetupSeconds - 1;
}

int Measure() {
  const fs::path own_folder = fs::path(ThisProgram()).parent_path();
  const fs::path quillset_exe =
      Configured(L"QUILLSET_EXE", own_folder / ".." / "src" / "quillset.exe");
  const fs::path standins =
      Configured(L"QUILLSET_STANDINS_DIR", own_folder / ".." / "tests" / "standins");
  for (const fs::path& needed :
       {quillset_exe, standins / "setup.exe", standins / "quillset_service.exe"}) {
    if (!fs::exists(needed))
      throw Failure("missing " + needed.string());
  }

  BenchFolders folders(quillset_exe, standins);
  const std::string setup_command = SetupCommandOf(folders);
  ServerServiceForTheRun server_service(standins / "quillset_service.exe");
  // Under Wine: the server of this prefix.
  const std::optional<LinuxProcessClock> server = LinuxProcessClock::Find("wineserver", "");

  std::printf(
      "The MSDE setup stand-in works %d s; quillset.exe and a reference that polls\n"
      "busily wait for it. Processor time from a run without messages, answers from a\n"
      "run with a message to the window every ~10 ms.\n",
      kSetupSeconds);
  std::printf("Setup command line: %s\n", setup_command.c_str());
  Figures quillset;
  quillset.quiet = RunQuillset(folders, false, server);
  quillset.pinged = RunQuillset(folders, true, server);
  Figures reference;
  reference.quiet = RunReference(folders, setup_command, false, server);
  reference.pinged = RunReference(folders, setup_command, true, server);

  const bool with_server = server.has_value();
  std::printf("\n%-22s %10s %11s", "waiting program", "setup ran", "CPU used");
  if (with_server)
    std::printf(" %13s", "wineserver");
  std::printf(" %17s %12s %6s\n", "longest unanswered", "99 % within", "pings");
  PrintRow("quillset.exe", quillset, with_server);
  PrintRow("busy-poll reference", reference, with_server);
  std::printf("(CPU used: the program's own processor time, read through %s)\n", g_clock_source);
  if (with_server) {
    std::printf(
        "(wineserver: the Wine server's processor time meanwhile; under Wine it answers\n"
        "the waits and message queue look-ups a program makes)\n");
  }
  const bool met = quillset.quiet.cpu_seconds <= kCpuGoalSeconds &&
                   quillset.pinged.longest_unanswered_ms <= kUnansweredGoalMs;
  std::printf("goal for quillset.exe (CPU <= %.1f s, longest unanswered <= %.0f ms): %s\n\n",
              kCpuGoalSeconds, kUnansweredGoalMs, met ? "met" : "MISSED");
  PrintResults("quillset", quillset, with_server);
  PrintResults("busy_reference", reference, with_server);
  if (!SetupRanFully(quillset) || !SetupRanFully(reference)) {
    std::printf("the setup ended early: see %s\n",
                (folders.temp() / "quillset.log").string().c_str());
    return 2;
  }
  return met ? 0 : 1;
}

}  // namespace

int main() {
  // The reference mode takes the rest of the command line, as it came, as the setup command line.
  const std::wstring line = GetCommandLineW();
  const std::size_t at = line.find(kReferenceSwitch);
  if (at != std::wstring::npos)
    return RunBusyReference(line.substr(at + wcslen(kReferenceSwitch) + 1));
  try {
    return Measure();
  } catch (const std::exception& error) {
    std::printf("setup_wait: %s\n", error.what());
    return 2;
  }
}
