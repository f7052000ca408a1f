#include "support/watched_program.h"

#include <psapi.h>
#include <tlhelp32.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <cwctype>
#include <sstream>

#include "platform/win32/ansi_text.h"

namespace quillset::bench {

namespace {

// The completion key of the packet that tells the listener to stop.
constexpr ULONG_PTR kStopKey = 1;
constexpr ULONG_PTR kJobKey = 2;
// The completion key of the packet Flush() waits for.
constexpr ULONG_PTR kFlushKey = 3;

std::int64_t TicksOf(const FILETIME& time) {
  return static_cast<std::int64_t>((static_cast<std::uint64_t>(time.dwHighDateTime) << 32) |
                                   time.dwLowDateTime);
}

std::wstring Lower(std::wstring text) {
  std::transform(text.begin(), text.end(), text.begin(),
                 [](wchar_t c) { return static_cast<wchar_t>(std::towlower(c)); });
  return text;
}

std::wstring ImageNameOf(HANDLE process) {
  wchar_t path[MAX_PATH] = {};
  if (GetProcessImageFileNameW(process, path, MAX_PATH) == 0)
    return L"";
  const std::wstring full(path);
  const std::size_t slash = full.find_last_of(L"\\/");
  return slash == std::wstring::npos ? full : full.substr(slash + 1);
}

std::string LastErrorText(const std::string& what) {
  return what + " failed, error " + std::to_string(GetLastError());
}

}  // namespace

std::int64_t SystemTimeNow() {
  // GetSystemTimePreciseAsFileTime exists from Windows 8 on; the headers of the XP target the
  // program is built for do not declare it.
  using PreciseFn = void(WINAPI*)(LPFILETIME);
  static const PreciseFn precise = [] {
    HMODULE kernel = GetModuleHandleW(L"kernel32.dll");
    return kernel == nullptr ? nullptr
                             : reinterpret_cast<PreciseFn>(reinterpret_cast<void*>(
                                   GetProcAddress(kernel, "GetSystemTimePreciseAsFileTime")));
  }();
  FILETIME now;
  if (precise != nullptr) {
    precise(&now);
  } else {
    GetSystemTimeAsFileTime(&now);
  }
  return TicksOf(now);
}

std::int64_t ProcessorTimeOf(DWORD process_id) {
  win32::ScopedFile snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0));
  if (!snapshot)
    return 0;
  std::int64_t total = 0;
  THREADENTRY32 thread{};
  thread.dwSize = sizeof thread;
  for (BOOL more = Thread32First(snapshot.get(), &thread); more;
       more = Thread32Next(snapshot.get(), &thread)) {
    if (thread.th32OwnerProcessID != process_id)
      continue;
    win32::ScopedHandle opened(OpenThread(THREAD_QUERY_INFORMATION, FALSE, thread.th32ThreadID));
    FILETIME created, exited, kernel, user;
    if (opened && GetThreadTimes(opened.get(), &created, &exited, &kernel, &user))
      total += TicksOf(kernel) + TicksOf(user);
  }
  return total;
}

std::int64_t WineServerProcessorTime() {
  static const std::string stat_path = [] {
    const char* pid = std::getenv("QUILLSET_BENCH_WINESERVER_PID");
    return pid == nullptr || *pid == '\0' ? std::string()
                                          : "Z:\\proc\\" + std::string(pid) + "\\stat";
  }();
  if (stat_path.empty())
    return -1;
  win32::ScopedFile file(CreateFileA(stat_path.c_str(), GENERIC_READ,
                                     FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0,
                                     nullptr));
  if (!file)
    return -1;
  char text[1024] = {};
  DWORD got = 0;
  if (!ReadFile(file.get(), text, sizeof text - 1, &got, nullptr))
    return -1;
  // pid (name) state ... : utime and stime are the 12th and 13th fields after the name, in
  // clock ticks of 1/100 s.
  const char* after_name = std::strrchr(text, ')');
  if (after_name == nullptr)
    return -1;
  std::istringstream fields(after_name + 1);
  std::string field;
  long long user = 0, system = 0;
  for (int number = 1; number <= 13 && fields >> field; ++number) {
    if (number == 12)
      user = std::atoll(field.c_str());
    if (number == 13)
      system = std::atoll(field.c_str());
  }
  return (user + system) * 100000;
}

WatchedProgram::WatchedProgram(const std::wstring& exe, const std::wstring& arguments,
                               const std::wstring& folder, const e2e::EnvironmentBlock& environment,
                               bool sample_processor_times)
    : sample_processor_times_(sample_processor_times) {
  job_.reset(CreateJobObjectW(nullptr, nullptr));
  port_.reset(CreateIoCompletionPort(INVALID_HANDLE_VALUE, nullptr, 0, 1));
  if (!job_ || !port_)
    throw e2e::DriverError(LastErrorText("creating the job and its port"));
  JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits = {};
  limits.BasicLimitInformation.LimitFlags = JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE;
  SetInformationJobObject(job_.get(), JobObjectExtendedLimitInformation, &limits, sizeof limits);
  JOBOBJECT_ASSOCIATE_COMPLETION_PORT association = {};
  association.CompletionKey = reinterpret_cast<PVOID>(kJobKey);
  association.CompletionPort = port_.get();
  if (!SetInformationJobObject(job_.get(), JobObjectAssociateCompletionPortInformation,
                               &association, sizeof association)) {
    throw e2e::DriverError(LastErrorText("associating the job's completion port"));
  }
  start_called_at_ = SystemTimeNow();
  e2e::ProgramInJob started = e2e::StartInJob(job_.get(), exe, arguments, folder, environment);
  process_ = std::move(started.process);
  id_ = started.id;
  program_id_ = started.id;
  // The reports wait in the port until the listener takes them.
  listener_ = std::thread([this] { Listen(); });
}

WatchedProgram::~WatchedProgram() {
  if (process_ && WaitForSingleObject(process_.get(), 0) == WAIT_TIMEOUT) {
    TerminateJobObject(job_.get(), 1);
    WaitForSingleObject(process_.get(), 5000);
  }
  // Closing the job ends whatever is left in it.
  job_.reset();
  // Let the last reports of ends arrive before the listener goes.
  Sleep(100);
  PostQueuedCompletionStatus(port_.get(), 0, kStopKey, nullptr);
  if (listener_.joinable())
    listener_.join();
}

void WatchedProgram::Listen() {
  for (;;) {
    DWORD message = 0;
    ULONG_PTR key = 0;
    LPOVERLAPPED detail = nullptr;
    // A process is reported before its program file is known; its name is looked up again every
    // millisecond until it is.
    const bool names_pending = LookUpPendingNames();
    if (!GetQueuedCompletionStatus(port_.get(), &message, &key, &detail,
                                   names_pending ? 1 : INFINITE)) {
      if (GetLastError() == WAIT_TIMEOUT)
        continue;
      return;
    }
    if (key == kStopKey)
      return;
    const std::int64_t now = SystemTimeNow();
    const DWORD process_id = static_cast<DWORD>(reinterpret_cast<ULONG_PTR>(detail));
    if (key == kFlushKey) {
      ++flushed_;
      continue;
    }
    // Reading processor times takes a while (a snapshot of every thread); only the measurements
    // that need them ask for them, so that short-lived processes are opened before they end.
    const DWORD program = program_id_.load();
    const std::int64_t program_cpu =
        sample_processor_times_ && program != 0 ? ProcessorTimeOf(program) : 0;
    const std::int64_t server_cpu = sample_processor_times_ ? WineServerProcessorTime() : -1;
    if (message == JOB_OBJECT_MSG_NEW_PROCESS) {
      Entry entry;
      entry.life.id = process_id;
      entry.life.reported_start = now;
      entry.life.program_cpu_at_start = program_cpu;
      entry.life.server_cpu_at_start = server_cpu;
      HANDLE opened = OpenProcess(PROCESS_QUERY_INFORMATION | SYNCHRONIZE, FALSE, process_id);
      if (opened != nullptr)
        entry.handle = std::make_shared<win32::ScopedHandle>(opened);
      std::lock_guard lock(mutex_);
      entries_.push_back(std::move(entry));
    } else if (message == JOB_OBJECT_MSG_EXIT_PROCESS ||
               message == JOB_OBJECT_MSG_ABNORMAL_EXIT_PROCESS) {
      std::lock_guard lock(mutex_);
      for (Entry& entry : entries_) {
        if (entry.life.id == process_id && entry.life.reported_end == 0) {
          entry.life.reported_end = now;
          entry.life.program_cpu_at_end = program_cpu;
          entry.life.server_cpu_at_end = server_cpu;
          break;
        }
      }
    }
  }
}

bool WatchedProgram::LookUpPendingNames() {
  std::lock_guard lock(mutex_);
  bool pending = false;
  for (Entry& entry : entries_) {
    if (!entry.life.image.empty())
      continue;
    // A process that could not be opened when its start was reported had ended already; its
    // ID may belong to another process by now, so it is not opened later.
    if (!entry.handle)
      continue;
    entry.life.image = ImageNameOf(entry.handle->get());
    if (entry.life.image.empty() && entry.life.reported_end == 0)
      pending = true;
  }
  return pending;
}

ProcessLife WatchedProgram::Resolve(const Entry& entry) {
  ProcessLife life = entry.life;
  life.started = life.reported_start;
  life.ended = life.reported_end;
  if (entry.handle) {
    FILETIME created, exited, kernel, user;
    if (GetProcessTimes(entry.handle->get(), &created, &exited, &kernel, &user)) {
      life.kernel_times = true;
      life.started = TicksOf(created);
      life.ended =
          WaitForSingleObject(entry.handle->get(), 0) == WAIT_OBJECT_0 ? TicksOf(exited) : 0;
    }
  }
  return life;
}

void WatchedProgram::Flush() const {
  const int target = ++flushes_requested_;
  PostQueuedCompletionStatus(port_.get(), 0, kFlushKey, nullptr);
  while (flushed_.load() < target)
    Sleep(1);
}

std::vector<ProcessLife> WatchedProgram::Children() const {
  std::lock_guard lock(mutex_);
  std::vector<ProcessLife> children;
  for (const Entry& entry : entries_) {
    if (entry.life.id != id_)
      children.push_back(Resolve(entry));
  }
  return children;
}

template <typename Probe>
ProcessLife WatchedProgram::WaitForChild(const std::string& what, e2e::Millis limit,
                                         Probe probe) const {
  try {
    return e2e::WaitFor(what, limit, probe).value();
  } catch (const e2e::DriverError& error) {
    throw e2e::DriverError(std::string(error.what()) + "; " + DescribeChildren());
  }
}

ProcessLife WatchedProgram::WaitForChildStart(const std::wstring& image, e2e::Millis limit) const {
  return WaitForChild("a start of " + win32::WideToUtf8(image), limit, [&] {
    std::lock_guard lock(mutex_);
    for (const Entry& entry : entries_) {
      if (entry.life.id != id_ && Lower(entry.life.image) == Lower(image))
        return std::optional<ProcessLife>(Resolve(entry));
    }
    return std::optional<ProcessLife>();
  });
}

ProcessLife WatchedProgram::WaitForChildEnd(const std::wstring& image, e2e::Millis limit) const {
  return WaitForChild("the end of " + win32::WideToUtf8(image), limit, [&] {
    std::lock_guard lock(mutex_);
    for (const Entry& entry : entries_) {
      if (entry.life.id != id_ && Lower(entry.life.image) == Lower(image) &&
          entry.life.reported_end != 0) {
        return std::optional<ProcessLife>(Resolve(entry));
      }
    }
    return std::optional<ProcessLife>();
  });
}

std::string WatchedProgram::DescribeChildren() const {
  std::string text = "processes of the job:";
  for (const ProcessLife& child : Children()) {
    text += " " + std::to_string(child.id) + "=" +
            (child.image.empty() ? std::string("?") : win32::WideToUtf8(child.image)) +
            (child.kernel_times ? "" : "(not opened)") +
            (child.reported_end != 0 ? "(ended)" : "(running)");
  }
  return text;
}

namespace {

struct TopLevelSearch {
  DWORD process_id;
  const std::wstring* caption;
  HWND found;
};

// Enumeration callbacks are stdcall on i686, which a lambda cannot be.
BOOL CALLBACK MatchTopLevel(HWND window, LPARAM context) {
  auto* search = reinterpret_cast<TopLevelSearch*>(context);
  DWORD owner = 0;
  GetWindowThreadProcessId(window, &owner);
  if (owner != search->process_id || !IsWindowVisible(window))
    return TRUE;
  wchar_t text[256] = {};
  // A top-level window's caption is kept by the system: reading it sends no message.
  GetWindowTextW(window, text, 256);
  if (*search->caption != text)
    return TRUE;
  search->found = window;
  return FALSE;
}

struct ControlSearch {
  int id;
  HWND found;
};

BOOL CALLBACK MatchControl(HWND child, LPARAM context) {
  auto* search = reinterpret_cast<ControlSearch*>(context);
  if (GetDlgCtrlID(child) != search->id)
    return TRUE;
  search->found = child;
  return FALSE;
}

}  // namespace

HWND VisibleTopLevelWindow(DWORD process_id, const std::wstring& caption) {
  TopLevelSearch search{process_id, &caption, nullptr};
  EnumWindows(&MatchTopLevel, reinterpret_cast<LPARAM>(&search));
  return search.found;
}

HWND ControlWithId(HWND window, int control_id) {
  ControlSearch search{control_id, nullptr};
  EnumChildWindows(window, &MatchControl, reinterpret_cast<LPARAM>(&search));
  return search.found;
}

Pinger::Pinger(HWND window) : window_(window) {
  thread_ = std::thread([this] {
    while (!stop_) {
      const std::int64_t sent = SystemTimeNow();
      DWORD_PTR result = 0;
      SendMessageTimeoutW(window_, WM_NULL, 0, 0, SMTO_NORMAL, 60000, &result);
      const std::int64_t answered = SystemTimeNow();
      {
        std::lock_guard lock(mutex_);
        pings_.push_back({sent, answered});
      }
      Sleep(10);
    }
  });
}

Pinger::~Pinger() {
  Stop();
}

void Pinger::Stop() {
  stop_ = true;
  if (thread_.joinable())
    thread_.join();
}

double Pinger::LongestUnansweredWithin(std::int64_t from, std::int64_t to) const {
  std::lock_guard lock(mutex_);
  std::int64_t longest = 0;
  for (const Ping& ping : pings_) {
    const std::int64_t begin = std::max(ping.sent, from);
    const std::int64_t end = std::min(ping.answered, to);
    longest = std::max(longest, end - begin);
  }
  return TicksToMs(longest);
}

int Pinger::PingsWithin(std::int64_t from, std::int64_t to) const {
  std::lock_guard lock(mutex_);
  return static_cast<int>(std::count_if(pings_.begin(), pings_.end(), [&](const Ping& ping) {
    return ping.sent >= from && ping.sent <= to;
  }));
}

void PrintResult(const char* name, double value, const char* unit) {
  std::printf("RESULT %s %.4f %s\n", name, value, unit);
  std::fflush(stdout);
}

}  // namespace quillset::bench
