// Rows 1, 2a and 2b: how a program waits for the programs it starts. The machine has one running
// instance whose osql stand-in stays silent 5 s, and the MSDE setup stand-in works 10 s
// (DelaySeconds=10; Fail=1: it registers nothing, so that every run finds the same machine).
// After "&Weiter" quillset.exe asks the server twice, then runs the setup. Every program runs in
// its job, which reports the start and end of each program it starts.
// - Quiet runs, nothing sent to the window: the processor time Linux accounts to quillset.exe,
//   and to bare_window.exe --busy-poll on the same setup command line, from the setup's start to
//   its end; and the Wine server's over the same stretch. The same for quillset.exe /quiet, which
//   opens no window and presses "&Weiter" itself.
// - Probed runs: WM_NULL sent to the window every ~10 ms from here; the longest time one waited
//   for its answer during the first osql's life and during the setup's, quillset.exe against
//   bare_window.exe --blocking-read of the same osql and of the same setup.
//
//   waiting [RUNS]      (5 when not given)
#include <optional>
#include <string>
#include <vector>

#include "inspect/server_probes.h"
#include "install/setup_command.h"
#include "support/clock.h"
#include "support/job.h"
#include "support/linux_cpu.h"
#include "support/machine.h"
#include "support/window.h"

using namespace quillset::bench;

namespace {

// The command lines quillset builds on this machine, for the references.
std::wstring SetupCommand() {
  char temp[MAX_PATH] = {}, program_files[MAX_PATH] = {};
  GetEnvironmentVariableA("TEMP", temp, MAX_PATH);
  GetEnvironmentVariableA("ProgramFiles", program_files, MAX_PATH);
  const std::string app(kAppFolder, kAppFolder + wcslen(kAppFolder));
  const std::string command = quillset::SetupCommandLine(app, temp, program_files, "GLOBANA", 1);
  return std::wstring(command.begin(), command.end());
}

std::wstring OsqlCommand() {
  const std::string command = quillset::OsqlCommandLine(
      Machine::ServerName(1), " SELECT CONVERT(char(20), SERVERPROPERTY('edition'))");
  return std::wstring(command.begin(), command.end());
}

// Starts the program and clicks "&Weiter" (with /quiet it goes on by itself); not probed, measures
// while the setup runs, probed, while each of `images` runs.
void Wait(const std::string& who, const std::wstring& exe, const std::wstring& arguments,
          bool probed, const std::vector<std::wstring>& images) {
  JobProgram program(exe, arguments);
  HWND window = nullptr;
  const bool windowless = arguments == L"/quiet";
  HWND weiter = windowless ? nullptr : WaitForWeiter(program, window);
  Sleep(300);  // let start-up settle
  const std::wstring file = exe.substr(exe.rfind(L'\\') + 1);
  const int linux_process = LinuxProcessOf(std::string(file.begin(), file.end()));
  const int server = LinuxProcessOf("wineserver");
  std::optional<Prober> prober;
  if (probed)
    prober.emplace(window);
  if (!windowless)
    PostMessageW(weiter, BM_CLICK, 0, 0);
  if (!probed) {
    program.WaitForChild(L"setup.exe", false, 60000);
    const double cpu[] = {LinuxCpuSeconds(linux_process), LinuxCpuSeconds(server)};
    const Life setup = program.WaitForChild(L"setup.exe", true, 60000);
    const double after[] = {LinuxCpuSeconds(linux_process), LinuxCpuSeconds(server)};
    for (int i = 0; i < 2; ++i)
      if (cpu[i] >= 0 && after[i] >= 0)
        Result((i == 0 ? "cpu_" : "server_cpu_") + who + "_s", after[i] - cpu[i], "s");
    Result("setup_" + who + "_s", Ms(setup.end - setup.start) / 1000, "s");
    return;
  }
  std::vector<Life> lives;
  for (const std::wstring& image : images)
    lives.push_back(program.WaitForChild(image, true, 60000));
  for (std::size_t i = 0; i < images.size(); ++i) {
    const std::string stem(images[i].begin(), images[i].end() - 4);  // without ".exe"
    Result("unanswered_" + stem + "_" + who + "_ms",
           prober->LongestUnansweredMs(lives[i].start, lives[i].end), "ms");
    Result(stem + "_" + who + "_ms", Ms(lives[i].end - lives[i].start), "ms");
  }
}

}  // namespace

int main(int argc, char** argv) {
  return Measure(argc, argv, "waiting", [](int runs) {
    const Machine machine(1, "delay 5000 | silent", "DelaySeconds=10\r\nFail=1");
    const std::wstring quillset = machine.Quillset();
    const std::wstring bare = Machine::BuildFile(L"bench\\bare_window.exe");
    for (int run = 1; run <= runs; ++run) {
      Wait("quillset", quillset, L"", false, {});
      Wait("quiet", quillset, L"/quiet", false, {});
      Wait("busy_poll", bare, L"--busy-poll " + SetupCommand(), false, {});
      Wait("quillset", quillset, L"", true, {L"osql.exe", L"setup.exe"});
      Wait("blocking", bare, L"--blocking-read " + OsqlCommand(), true, {L"osql.exe"});
      Wait("blocking", bare, L"--blocking-read " + SetupCommand(), true, {L"setup.exe"});
    }
  });
}
