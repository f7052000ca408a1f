// "&Weiter" on a machine with 16 MSDE instances, all running: how much of the flow's time is the
// assistant's own and how much the console programs' it starts (16 x NET START, 32 x osql,
// net start). Instances I01 to I16 are registered in InstalledInstances, each has a running
// service MSSQL$Inn of the stand-in service program, and the osql stand-in answers
// "Desktop Engine" / "8.00.2039" for each, except I16, which answers "Standard Edition": the flow
// then ends on the found-databases page instead of starting an installation.
//
// Total: from the click (BM_CLICK posted) until the found-databases page is visible, looked for
// every millisecond (the flow fills its list before it shows the page; the 16 lines are checked
// afterwards). The console programs' time: the union of the lives of every process the flow
// started, from the kernel's creation time to its exit time, as the job quillset.exe runs in
// reports them. The assistant's own time is the rest: the stretches in which none of its programs
// existed. A start counts to the started program from the moment the kernel creates it; what
// CreateProcess does before that (under Wine, on a loaded machine, most of a start) counts to the
// program that starts it, as does noticing the end of the pipe after the program's exit.
//
// The reference, measured the same way in the same run: command_sequence.exe running the same 49
// command lines one after the other with nothing in between (from a go signal to its done signal),
// what any program that runs them costs beyond their lives on this system. Its own times of each
// command show how much of that lies inside CreateProcessA before the kernel created the program.
//
//   weiter_overhead [RUNS]     (5 when not given)
//
// Prints RESULT lines (name value unit) for scripts/bench; exit code 2 when the measurement could
// not be made.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "driver/paths.h"
#include "driver/quillset_app.h"
#include "driver/ui.h"
#include "driver/wine_machine.h"
#include "inspect/server_probes.h"
#include "platform/win32/ansi_text.h"
#include "platform/win32/handle.h"
#include "platform/win32/win32_window.h"
#include "support/watched_program.h"

namespace {

using namespace quillset;
using namespace quillset::bench;

constexpr int kInstances = 16;
constexpr e2e::Millis kLimit{60000};

std::string InstanceName(int number) {
  char name[8];
  std::snprintf(name, sizeof name, "I%02d", number);
  return name;
}

std::string ComputerName() {
  char buffer[256] = {};
  DWORD size = sizeof buffer;
  return GetComputerNameA(buffer, &size) ? std::string(buffer) : std::string();
}

void RegisterInstances() {
  std::wstring names;
  for (int number = 1; number <= kInstances; ++number) {
    names += win32::Utf8ToWide(InstanceName(number));
    names += L'\0';
  }
  names += L'\0';
  win32::ScopedKey key;
  if (RegCreateKeyExW(HKEY_LOCAL_MACHINE, L"SOFTWARE\\Microsoft\\Microsoft SQL Server", 0, nullptr,
                      0, KEY_SET_VALUE, nullptr, key.receive(), nullptr) != ERROR_SUCCESS ||
      RegSetValueExW(key.get(), L"InstalledInstances", 0, REG_MULTI_SZ,
                     reinterpret_cast<const BYTE*>(names.data()),
                     static_cast<DWORD>(names.size() * sizeof(wchar_t))) != ERROR_SUCCESS) {
    throw e2e::DriverError("could not write InstalledInstances");
  }
}

std::string OsqlAnswers() {
  std::string answers;
  for (int number = 1; number <= kInstances; ++number) {
    const std::string server = ComputerName() + "\\" + InstanceName(number);
    answers += server + "|edition|" +
               (number == kInstances ? "Standard Edition" : "Desktop Engine") + "\r\n";
    answers += server + "|productVersion|8.00.2039\r\n";
  }
  return answers;
}

// Length of the union of the intervals, clipped to [from, to].
std::int64_t CoveredWithin(std::vector<std::pair<std::int64_t, std::int64_t>> lives,
                           std::int64_t from, std::int64_t to) {
  std::sort(lives.begin(), lives.end());
  std::int64_t covered = 0;
  std::int64_t reached = from;
  for (auto [start, end] : lives) {
    start = std::max(start, reached);
    end = std::min(end, to);
    if (end > start) {
      covered += end - start;
      reached = end;
    }
  }
  return covered;
}

// How a stretch from `from` to `to` divides between the programs started meanwhile and the rest.
struct Split {
  std::int64_t total = 0;
  std::int64_t programs = 0;
  std::vector<std::int64_t> gaps;  // the stretches without a program, in order
  std::map<std::wstring, int> per_program;
  int without_kernel_times = 0;
};

Split SplitBetweenPrograms(const WatchedProgram& program, std::int64_t from, std::int64_t to) {
  program.Flush();
  Split split;
  std::vector<std::pair<std::int64_t, std::int64_t>> lives;
  for (const ProcessLife& child : program.Children()) {
    if (child.started < from)
      continue;
    ++split.per_program[child.image];
    if (!child.kernel_times)
      ++split.without_kernel_times;
    lives.emplace_back(child.started, child.ended == 0 ? to : child.ended);
  }
  std::sort(lives.begin(), lives.end());
  std::int64_t reached = from;
  for (const auto& [start, end] : lives) {
    split.gaps.push_back(std::max<std::int64_t>(start - reached, 0));
    reached = std::max(reached, end);
  }
  split.gaps.push_back(std::max<std::int64_t>(to - reached, 0));
  split.total = to - from;
  split.programs = CoveredWithin(lives, from, to);
  return split;
}

// The assistant's own time minus the reference's in the same run.
double g_quillset_own_ms = 0;

void Report(const char* who, const Split& split) {
  std::printf("%s: programs started:", who);
  for (const auto& [image, count] : split.per_program)
    std::printf(" %s x%d", image.empty() ? "(unnamed)" : win32::WideToUtf8(image).c_str(), count);
  // Programs that overlap leave no stretch between them.
  std::vector<std::int64_t> gaps;
  std::copy_if(split.gaps.begin(), split.gaps.end(), std::back_inserter(gaps),
               [](std::int64_t gap) { return gap > 0; });
  std::sort(gaps.begin(), gaps.end());
  if (gaps.empty())
    gaps.push_back(0);
  std::printf(
      "; %d known by their reports only; %zu stretches without a program: median %.1f ms, "
      "longest %.1f ms, first (click to first start) %.1f ms, last (end to page) %.1f ms\n",
      split.without_kernel_times, gaps.size(), TicksToMs(gaps[gaps.size() / 2]),
      TicksToMs(gaps.back()), TicksToMs(split.gaps.front()), TicksToMs(split.gaps.back()));
  // A program that ended before it could be opened is known by its reports only, without a name.
  const auto count = [&](const wchar_t* image) {
    const auto found = split.per_program.find(image);
    return found == split.per_program.end() ? 0 : found->second;
  };
  const int osql = count(L"osql.exe");
  const int net = count(L"net.exe");
  if (osql + net + count(L"") != 3 * kInstances + 1 || osql > 2 * kInstances ||
      net > kInstances + 1) {
    throw e2e::DriverError(std::string(who) + " did not run 32 osql and 17 net");
  }
  const std::string prefix = std::string("weiter16_") + who;
  PrintResult((prefix + "_total_ms").c_str(), TicksToMs(split.total), "ms");
  PrintResult((prefix + "_console_programs_ms").c_str(), TicksToMs(split.programs), "ms");
  const double own_ms = TicksToMs(split.total - split.programs);
  PrintResult((prefix + "_own_ms").c_str(), own_ms, "ms");
  if (std::string(who) == "quillset")
    g_quillset_own_ms = own_ms;
  else
    PrintResult("weiter16_own_beyond_reference_ms", g_quillset_own_ms - own_ms, "ms");
}

void MeasureQuillset(const e2e::MsdeMachineFolders& folders,
                     const e2e::EnvironmentBlock& environment) {
  WatchedProgram program((folders.app_folder() / "quillset.exe").wstring(), L"",
                         folders.app_folder().wstring(), environment);
  const std::wstring caption = win32::Utf8ToWide(e2e::QuillsetApp::kCaption);
  const auto control = [&](platform::ControlId id) {
    return e2e::WaitFor("control " + std::to_string(static_cast<int>(id)), kLimit, [&]() -> HWND {
      HWND window = VisibleTopLevelWindow(program.id(), caption);
      return window == nullptr ? nullptr : ControlWithId(window, win32::Win32ControlId(id));
    });
  };
  HWND weiter = control(platform::ControlId::Cmd_Installieren);
  e2e::WaitFor("\"&Weiter\" visible", kLimit, [&] { return IsWindowVisible(weiter) != FALSE; });
  HWND page = control(platform::ControlId::Frame_installationGefundeneInstanzen);
  HWND list = control(platform::ControlId::List_Instanzen);
  // Let start-up settle before the click.
  Sleep(500);
  if (IsWindowVisible(page))
    throw e2e::DriverError("the found-databases page shows before the click");

  const std::int64_t clicked = SystemTimeNow();
  e2e::ClickButton(weiter);
  const std::int64_t deadline = clicked + kLimit.count() * 10000;
  while (!IsWindowVisible(page)) {
    if (SystemTimeNow() > deadline)
      throw e2e::DriverError("the found-databases page did not show");
    Sleep(1);
  }
  const std::int64_t shown = SystemTimeNow();

  // Not timed: the page lists the 16 servers, the last as a Standard Edition.
  const std::vector<std::string> items = e2e::WaitFor("the list to answer", kLimit, [&] {
                                           try {
                                             return std::optional(e2e::ListBoxItems(list));
                                           } catch (const e2e::DriverError&) {
                                             return std::optional<std::vector<std::string>>();
                                           }
                                         }).value();
  if (items.size() != kInstances || items.back().find("Standard Edition") == std::string::npos)
    throw e2e::DriverError("the found-databases page lists " + std::to_string(items.size()) +
                           " servers, the last \"" + (items.empty() ? "" : items.back()) + "\"");
  Report("quillset", SplitBetweenPrograms(program, clicked, shown));
}

// The same console programs run one after the other by command_sequence.exe.
void MeasureReference(const e2e::MsdeMachineFolders& folders,
                      const e2e::EnvironmentBlock& environment,
                      const std::filesystem::path& command_list) {
  const std::wstring suffix = std::to_wstring(GetCurrentProcessId());
  const std::wstring go_name = L"QuillsetBenchGo" + suffix;
  const std::wstring done_name = L"QuillsetBenchDone" + suffix;
  win32::ScopedHandle go(CreateEventW(nullptr, TRUE, FALSE, go_name.c_str()));
  win32::ScopedHandle done(CreateEventW(nullptr, TRUE, FALSE, done_name.c_str()));
  if (!go || !done)
    throw e2e::DriverError("could not create the events of the reference run");
  const std::filesystem::path times_file = command_list.parent_path() / "command-times.txt";
  std::filesystem::remove(times_file);
  WatchedProgram program(e2e::WindowsPathOf(QUILLSET_BENCH_COMMAND_SEQUENCE_EXE),
                         L"\"" + command_list.wstring() + L"\" " + go_name + L" " + done_name +
                             L" \"" + times_file.wstring() + L"\"",
                         folders.app_folder().wstring(), environment);
  // Let start-up settle before the go.
  Sleep(500);
  const std::int64_t go_at = SystemTimeNow();
  SetEvent(go.get());
  if (WaitForSingleObject(done.get(), static_cast<DWORD>(kLimit.count())) != WAIT_OBJECT_0)
    throw e2e::DriverError("command_sequence.exe did not finish");
  const std::int64_t done_at = SystemTimeNow();
  const Split split = SplitBetweenPrograms(program, go_at, done_at);
  Report("reference", split);

  // Where the reference's own time goes: its times of each command beside the kernel's.
  WaitForSingleObject(program.handle(), static_cast<DWORD>(kLimit.count()));
  std::vector<ProcessLife> children = program.Children();
  std::sort(children.begin(), children.end(),
            [](const ProcessLife& a, const ProcessLife& b) { return a.started < b.started; });
  std::ifstream times(times_file);
  std::int64_t before_start = 0, after_exit = 0;
  std::size_t index = 0;
  for (std::int64_t called, returned, pipe_ended;
       times >> called >> returned >> pipe_ended && index < children.size(); ++index) {
    before_start += children[index].started - called;
    after_exit += pipe_ended - children[index].ended;
  }
  if (index != children.size())
    throw e2e::DriverError("command_sequence.exe's times do not match its programs");
  std::printf(
      "reference: of its own time, %.1f ms lay inside CreateProcessA before the kernel created "
      "the programs, %.1f ms between a program's exit and the end of its pipe\n",
      TicksToMs(before_start), TicksToMs(after_exit));
  PrintResult("weiter16_reference_before_creation_ms", TicksToMs(before_start), "ms");
  PrintResult("weiter16_reference_exit_to_pipe_end_ms", TicksToMs(after_exit), "ms");
}

// The command lines "&Weiter" runs on this machine, in its order.
std::string CommandList() {
  std::string list;
  for (int number = 1; number <= kInstances; ++number) {
    const std::string server = ComputerName() + "\\" + InstanceName(number);
    list += "NET START\r\n";
    list +=
        OsqlCommandLine(server, " SELECT CONVERT(char(20), SERVERPROPERTY('edition'))") + "\r\n";
    list += OsqlCommandLine(server, " SELECT CONVERT(char(20), SERVERPROPERTY('productVersion'))") +
            "\r\n";
  }
  return list + "net start\r\n";
}

}  // namespace

int main(int argc, char** argv) {
  const int runs = argc > 1 ? std::atoi(argv[1]) : 5;
  try {
    e2e::RegistrySnapshot registry(e2e::SqlServerRegistryTrees());
    e2e::ClearSqlServerRegistry();
    RegisterInstances();

    e2e::StandinService server(e2e::StandinService::kServerName,
                               e2e::StandinService::kServerDisplayName);
    server.Start();
    std::vector<std::unique_ptr<e2e::StandinService>> instances;
    for (int number = 1; number <= kInstances; ++number) {
      const std::string service = "MSSQL$" + InstanceName(number);
      instances.push_back(std::make_unique<e2e::StandinService>(service, service));
      instances.back()->Start();
    }

    const e2e::MsdeMachineFolders folders("bench-weiter16");
    folders.scratch().WriteFile("osql-answers.txt", OsqlAnswers());
    e2e::EnvironmentBlock environment = folders.Environment();
    environment.Set(L"QUILLSET_OSQL_ANSWERS", (folders.scratch() / "osql-answers.txt").wstring());

    folders.scratch().WriteFile("commands.txt", CommandList());
    for (int run = 1; run <= runs; ++run) {
      MeasureQuillset(folders, environment);
      MeasureReference(folders, environment, folders.scratch() / "commands.txt");
    }
  } catch (const std::exception& error) {
    std::fprintf(stderr, "weiter_overhead: %s\n", error.what());
    return 2;
  }
  return 0;
}
