// How the window fares while a console program is silent for five seconds: the longest time a
// message to the window goes unanswered, and the processor time the whole process uses.
// Compared: quillset's runner (overlapped pipe, waiting on the read and the message queue at
// once) and a runner that blocks in ReadFile on an anonymous pipe and handles messages only
// between chunks.
//
// A helper thread sends a message to a window of the measuring thread every ~10 ms and times
// each answer. talker.exe is looked for in QUILLSET_STANDINS_DIR, else in ..\tests\standins
// beside this program's folder (the build tree's layout).
#include <windows.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "inspect/command_runner.h"
#include "platform/win32/ansi_text.h"
#include "platform/win32/handle.h"
#include "platform/win32/message_pump.h"
#include "platform/win32/win32_processes.h"
#include "support/clock.h"

namespace {

using namespace quillset;
using bench::NowMs;

constexpr UINT kPing = WM_APP + 1;
constexpr int kSilentMs = 5000;

// When the console program's start returned (0 while it has not), written by the runners.
double g_started_at = 0;

double ProcessCpuMs() {
  FILETIME created, exited, kernel, user;
  GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel, &user);
  const auto ms = [](const FILETIME& t) {
    return static_cast<double>((static_cast<unsigned long long>(t.dwHighDateTime) << 32) |
                               t.dwLowDateTime) /
           10000.0;
  };
  return ms(kernel) + ms(user);
}

std::string TalkerPath() {
  wchar_t configured[MAX_PATH] = {};
  if (GetEnvironmentVariableW(L"QUILLSET_STANDINS_DIR", configured, MAX_PATH) > 0) {
    return win32::WideToUtf8(configured) + "\\talker.exe";
  }
  wchar_t exe[MAX_PATH] = {};
  GetModuleFileNameW(nullptr, exe, MAX_PATH);
  std::wstring folder(exe);
  folder.resize(folder.find_last_of(L'\\') + 1);
  return win32::WideToUtf8(folder) + "..\\tests\\standins\\talker.exe";
}

LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  if (message == kPing)
    return 1;
  return DefWindowProcW(window, message, wparam, lparam);
}

// The box the runner writes into; its text is not what is measured.
class DiscardingBox : public platform::TextBoxPort {
 public:
  std::string Text() override { return text_; }
  void SetText(const std::string& text) override { text_ = text; }
  void SetSelection(int, int) override {}
  void ReplaceSelection(const char* ansi) override { text_ += ansi; }

 private:
  std::string text_;
};

// The blocking way: an anonymous pipe, ReadFile until the pipe ends, messages between chunks.
void RunBlocking(const std::string& command_line, platform::TextBoxPort& box) {
  SECURITY_ATTRIBUTES inheritable{};
  inheritable.nLength = sizeof inheritable;
  inheritable.bInheritHandle = TRUE;
  win32::ScopedHandle read_end;
  win32::ScopedHandle write_end;
  if (!CreatePipe(read_end.receive(), write_end.receive(), &inheritable, 0))
    return;
  STARTUPINFOA startup{};
  GetStartupInfoA(&startup);
  startup.dwFlags = STARTF_USESTDHANDLES | STARTF_USESHOWWINDOW;
  startup.wShowWindow = SW_HIDE;
  startup.hStdOutput = write_end.get();
  startup.hStdError = write_end.get();
  std::string command = command_line;
  PROCESS_INFORMATION started{};
  if (!CreateProcessA(nullptr, command.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr,
                      &startup, &started)) {
    return;
  }
  g_started_at = NowMs();
  win32::ScopedHandle process(started.hProcess);
  win32::ScopedHandle thread(started.hThread);
  box.SetText("");
  write_end.reset();
  for (;;) {
    char buffer[1025] = {};
    DWORD count = 0;
    if (!ReadFile(read_end.get(), buffer, 1023, &count, nullptr))
      break;
    box.SetSelection(-1, 0);
    box.ReplaceSelection(buffer);
    win32::PumpPendingMessages();
  }
}

// The real port, noting when each start has returned: before then the window waits for the
// platform's CreateProcess, after it for the silent program.
class TimedProcesses : public win32::Win32Processes {
 public:
  std::unique_ptr<platform::ConsoleProgram> StartHiddenConsole(
      const std::string& command_line) override {
    auto program = Win32Processes::StartHiddenConsole(command_line);
    g_started_at = NowMs();
    return program;
  }
};

struct Figures {
  double wall_ms = 0;
  double cpu_ms = 0;
  int pings = 0;
  double longest_ms = 0;         // over the whole run
  double longest_silent_ms = 0;  // pings sent after the start had returned
  double mean_ms = 0;
  bool output_ok = false;
};

using Runner = std::function<std::string()>;  // runs once, answers the output

// One run; with `pinging`, a helper thread times the window's answers meanwhile.
Figures Measure(HWND window, const Runner& run, bool pinging) {
  std::atomic<bool> done{false};
  std::atomic<bool> pinger_finished{!pinging};
  std::vector<double> latencies;
  std::vector<double> sent_at;
  std::thread pinger;
  if (pinging) {
    pinger = std::thread([&] {
      while (!done) {
        const double sent = NowMs();
        DWORD_PTR result = 0;
        SendMessageTimeoutW(window, kPing, 0, 0, SMTO_NORMAL, 60000, &result);
        latencies.push_back(NowMs() - sent);
        sent_at.push_back(sent);
        Sleep(10);
      }
      pinger_finished = true;
    });
  }
  Figures figures;
  g_started_at = 0;
  const double cpu_before = ProcessCpuMs();
  const double start = NowMs();
  figures.output_ok = run() == "done";
  figures.wall_ms = NowMs() - start;
  figures.cpu_ms = ProcessCpuMs() - cpu_before;
  done = true;
  // The last ping may be waiting for the window: answer it while the helper finishes.
  while (!pinger_finished) {
    win32::PumpPendingMessages();
    Sleep(1);
  }
  if (pinger.joinable())
    pinger.join();
  figures.pings = static_cast<int>(latencies.size());
  for (std::size_t i = 0; i < latencies.size(); ++i) {
    figures.longest_ms = std::max(figures.longest_ms, latencies[i]);
    if (g_started_at > 0) {
      const double from = std::max(sent_at[i], g_started_at);
      const double to = std::min(sent_at[i] + latencies[i], start + figures.wall_ms);
      figures.longest_silent_ms = std::max(figures.longest_silent_ms, to - from);
    }
    figures.mean_ms += latencies[i] / static_cast<double>(latencies.size());
  }
  return figures;
}

// The latency figures come from a run with pings, the processor time from a run without them,
// so that answering the pings is not counted as the runner's cost.
struct Row {
  Figures pinged;
  Figures quiet;
};

Row MeasureRow(const char* name, HWND window, const Runner& run) {
  Row row{Measure(window, run, true), Measure(window, run, false)};
  std::printf("%-34s %7.0f %6d %10.1f %10.1f %7.2f %7.0f %7.2f %% %9.0f  %s\n", name,
              row.quiet.wall_ms, row.pinged.pings, row.pinged.longest_ms,
              row.pinged.longest_silent_ms, row.pinged.mean_ms, row.quiet.cpu_ms,
              100.0 * row.quiet.cpu_ms / row.quiet.wall_ms, row.pinged.cpu_ms,
              row.pinged.output_ok && row.quiet.output_ok ? "ok" : "WRONG OUTPUT");
  return row;
}

}  // namespace

int main() {
  WNDCLASSW window_class{};
  window_class.lpfnWndProc = &WindowProc;
  window_class.hInstance = GetModuleHandleW(nullptr);
  window_class.lpszClassName = L"QuillsetResponsivenessBench";
  RegisterClassW(&window_class);
  HWND window = CreateWindowExW(0, window_class.lpszClassName, L"bench", WS_OVERLAPPEDWINDOW, 0, 0,
                                200, 100, nullptr, nullptr, window_class.hInstance, nullptr);
  if (window == nullptr)
    return 1;

  const std::string command =
      "\"" + TalkerPath() + "\" sleep " + std::to_string(kSilentMs) + " out done";
  TimedProcesses processes;

  std::printf("A console program silent for %d ms; a message to the window every ~10 ms.\n",
              kSilentMs);
  // Longest unanswered: over the whole run (the start included), and the part that fell after
  // the start had returned (the program silent). CPU: a run without pings; the last column is
  // the run with pings, whose answers cost the process time of their own.
  std::printf("%-34s %7s %6s %10s %10s %7s %7s %9s %9s\n", "", "wall", "pings", "longest",
              "longest", "mean", "CPU", "CPU/core", "CPU ms");
  std::printf("%-34s %7s %6s %10s %10s %7s %7s %9s %9s\n", "runner", "ms", "", "all ms",
              "silent ms", "ms", "ms", "", "pinged");
  MeasureRow("window idle, no command (baseline)", window, [] {
    g_started_at = NowMs();
    const double until = NowMs() + kSilentMs;
    for (double now = NowMs(); now < until; now = NowMs()) {
      MsgWaitForMultipleObjects(0, nullptr, FALSE, static_cast<DWORD>(until - now) + 1,
                                QS_ALLINPUT);
      win32::PumpPendingMessages();
    }
    return std::string("done");
  });
  const Row quillset = MeasureRow("quillset (overlapped pipe)", window, [&] {
    DiscardingBox box;
    RunCommandToTextBox({processes, box}, command);
    return box.Text();
  });
  const Row blocking = MeasureRow("blocking ReadFile, pump per chunk", window, [&] {
    DiscardingBox box;
    RunBlocking(command, box);
    return box.Text();
  });

  // For scripts/bench: RESULT name value unit.
  std::printf("RESULT console_longest_unanswered_quillset_ms %.2f ms\n",
              quillset.pinged.longest_silent_ms);
  std::printf("RESULT console_longest_unanswered_blocking_ms %.2f ms\n",
              blocking.pinged.longest_silent_ms);
  std::printf("RESULT console_cpu_quillset_ms %.2f ms\n", quillset.quiet.cpu_ms);
  std::printf("RESULT console_cpu_blocking_ms %.2f ms\n", blocking.quiet.cpu_ms);

  const bool goal = quillset.pinged.longest_silent_ms <= 100.0 &&
                    quillset.quiet.cpu_ms < 0.01 * quillset.quiet.wall_ms &&
                    quillset.pinged.output_ok && quillset.quiet.output_ok;
  std::printf(
      "goal for quillset while the program is silent (longest unanswered <= 100 ms, CPU < 1 %% "
      "of a core): %s\n",
      goal ? "met" : "MISSED");
  DestroyWindow(window);
  return goal ? 0 : 1;
}
