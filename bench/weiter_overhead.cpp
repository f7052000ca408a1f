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
// existed. Starting a program counts to the program from the moment the kernel creates it (under
// Wine most of the cost of a start), ending it until the kernel notes its exit.
//
//   weiter_overhead [RUNS]     (5 when not given)
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "driver/paths.h"
#include "driver/quillset_app.h"
#include "driver/ui.h"
#include "driver/wine_machine.h"
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

void MeasureOnce(const e2e::MsdeMachineFolders& folders, const e2e::EnvironmentBlock& environment) {
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

  const std::int64_t clicked = SystemTimeNow();
  e2e::ClickButton(weiter);
  const std::int64_t deadline = clicked + kLimit.count() * 10000;
  while (!IsWindowVisible(page)) {
    if (SystemTimeNow() > deadline)
      throw e2e::DriverError("the found-databases page did not show");
    Sleep(1);
  }
  const std::int64_t shown = SystemTimeNow();

  const std::vector<std::string> items = e2e::ListBoxItems(list);
  if (items.size() != kInstances || items.back().find("Standard Edition") == std::string::npos)
    throw e2e::DriverError("the found-databases page lists " + std::to_string(items.size()) +
                           " servers, the last \"" + (items.empty() ? "" : items.back()) + "\"");

  std::vector<std::pair<std::int64_t, std::int64_t>> lives;
  std::map<std::wstring, int> per_program;
  int without_kernel_times = 0;
  for (const ProcessLife& child : program.Children()) {
    if (child.started < clicked)
      continue;
    ++per_program[child.image];
    if (!child.kernel_times)
      ++without_kernel_times;
    lives.emplace_back(child.started, child.ended == 0 ? shown : child.ended);
  }
  std::sort(lives.begin(), lives.end());
  std::int64_t longest_gap = lives.empty() ? shown - clicked : lives.front().first - clicked;
  std::int64_t reached = lives.empty() ? shown : lives.front().second;
  for (const auto& [start, end] : lives) {
    longest_gap = std::max(longest_gap, start - reached);
    reached = std::max(reached, end);
  }
  longest_gap = std::max(longest_gap, shown - reached);

  const std::int64_t total = shown - clicked;
  const std::int64_t programs = CoveredWithin(lives, clicked, shown);
  std::printf("programs started by the flow:");
  for (const auto& [image, count] : per_program)
    std::printf(" %s x%d", win32::WideToUtf8(image).c_str(), count);
  std::printf("; %d without kernel times; longest stretch without a program %.1f ms\n",
              without_kernel_times, TicksToMs(longest_gap));
  if (per_program[L"osql.exe"] != 2 * kInstances || per_program[L"net.exe"] != kInstances + 1)
    throw e2e::DriverError("the flow did not run 32 osql and 17 net");
  PrintResult("weiter16_total_ms", TicksToMs(total), "ms");
  PrintResult("weiter16_console_programs_ms", TicksToMs(programs), "ms");
  PrintResult("weiter16_own_ms", TicksToMs(total - programs), "ms");
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

    for (int run = 1; run <= runs; ++run)
      MeasureOnce(folders, environment);
  } catch (const std::exception& error) {
    std::fprintf(stderr, "weiter_overhead: %s\n", error.what());
    return 1;
  }
  return 0;
}
