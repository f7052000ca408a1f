// The reference of the "&Weiter" measurement: a program without a window or a console of its own
// (as quillset.exe has none) that runs a list of console command lines one after the other the
// plainest way, and does nothing else: per line an anonymous pipe, CreateProcessA hidden with the
// pipe as standard output and error, ReadFile until the pipe ends. What it takes beyond its
// programs' lives is what starting and reading them costs on this system.
//
//   command_sequence.exe LIST_FILE GO_EVENT DONE_EVENT [TIMES_FILE]
//
// Waits until the named event GO_EVENT is set, runs every line of LIST_FILE, sets DONE_EVENT.
// With TIMES_FILE it writes there, per command, when CreateProcessA was called, when it returned
// and when the pipe ended (system time in 100-ns units, as process creation and exit are
// stamped), so that a measurement can tell where the time between the programs goes.
#include <windows.h>

#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

namespace {

struct Handle {
  HANDLE value = nullptr;
  Handle() = default;
  explicit Handle(HANDLE handle) : value(handle) {}
  ~Handle() {
    if (value != nullptr && value != INVALID_HANDLE_VALUE)
      CloseHandle(value);
  }
  Handle(const Handle&) = delete;
  Handle& operator=(const Handle&) = delete;
};

std::int64_t SystemTimeNow() {
  using PreciseFn = void(WINAPI*)(LPFILETIME);
  static const PreciseFn precise = reinterpret_cast<PreciseFn>(reinterpret_cast<void*>(
      GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "GetSystemTimePreciseAsFileTime")));
  FILETIME now;
  if (precise != nullptr) {
    precise(&now);
  } else {
    GetSystemTimeAsFileTime(&now);
  }
  return static_cast<std::int64_t>((static_cast<std::uint64_t>(now.dwHighDateTime) << 32) |
                                   now.dwLowDateTime);
}

struct Times {
  std::int64_t called = 0;
  std::int64_t returned = 0;
  std::int64_t pipe_ended = 0;
};

// Runs one command line and returns what it printed.
std::string Run(const std::string& command_line, Times& times) {
  SECURITY_ATTRIBUTES inheritable{};
  inheritable.nLength = sizeof inheritable;
  inheritable.bInheritHandle = TRUE;
  Handle read_end;
  Handle write_end;
  if (!CreatePipe(&read_end.value, &write_end.value, &inheritable, 0))
    return {};
  STARTUPINFOA startup{};
  GetStartupInfoA(&startup);
  startup.dwFlags = STARTF_USESTDHANDLES | STARTF_USESHOWWINDOW;
  startup.wShowWindow = SW_HIDE;
  startup.hStdOutput = write_end.value;
  startup.hStdError = write_end.value;
  std::string command = command_line;
  PROCESS_INFORMATION started{};
  times.called = SystemTimeNow();
  if (!CreateProcessA(nullptr, command.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr,
                      &startup, &started)) {
    return {};
  }
  times.returned = SystemTimeNow();
  Handle process(started.hProcess);
  Handle thread(started.hThread);
  CloseHandle(write_end.value);
  write_end.value = nullptr;
  std::string output;
  char buffer[1024];
  DWORD count = 0;
  while (ReadFile(read_end.value, buffer, sizeof buffer, &count, nullptr) && count > 0)
    output.append(buffer, count);
  times.pipe_ended = SystemTimeNow();
  return output;
}

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  if (__argc < 4)
    return 2;
  std::vector<std::string> lines;
  std::ifstream list(__argv[1]);
  for (std::string line; std::getline(list, line);) {
    if (!line.empty() && line.back() == '\r')
      line.pop_back();
    if (!line.empty())
      lines.push_back(line);
  }
  Handle go(OpenEventA(SYNCHRONIZE, FALSE, __argv[2]));
  Handle done(OpenEventA(EVENT_MODIFY_STATE, FALSE, __argv[3]));
  if (go.value == nullptr || done.value == nullptr || lines.empty())
    return 2;
  WaitForSingleObject(go.value, INFINITE);
  std::size_t printed = 0;
  std::vector<Times> times(lines.size());
  for (std::size_t index = 0; index < lines.size(); ++index)
    printed += Run(lines[index], times[index]).size();
  SetEvent(done.value);
  if (__argc > 4) {
    std::ofstream out(__argv[4]);
    for (const Times& command : times)
      out << command.called << ' ' << command.returned << ' ' << command.pipe_ended << '\n';
  }
  return printed > 0 ? 0 : 1;
}
