// Row 4: "&Weiter" on a machine with 16 running instances whose osql stand-in answers "Desktop
// Engine" and "8.00.194" for each. The flow runs NET START and two osql per instance, then
// "net start" for the Server service, and ends at once with a message box (16 instances: no room
// for another). Measured from the click (BM_CLICK posted) until a message box of the program is
// visible, looked for every millisecond. The console programs' time is the union of the lives of
// every process the program started meanwhile, from the kernel's creation and exit times as the
// job reports them; the program's own time is the rest. The reference is bare_window.exe
// --commands, which runs the same command lines one after the other (pipe, CreateProcess,
// blocking ReadFile) and shows a message box, measured the same way.
//
//   weiter_time [RUNS]      (5 when not given)
#include <cstdio>
#include <fstream>
#include <map>
#include <string>

#include "inspect/server_probes.h"
#include "support/clock.h"
#include "support/job.h"
#include "support/machine.h"
#include "support/window.h"

using namespace quillset::bench;

namespace {

constexpr int kInstances = 16;

// The command lines of the flow, in its order.
std::string CommandList() {
  std::string list;
  for (int instance = 1; instance <= kInstances; ++instance) {
    const std::string server = Machine::ServerName(instance);
    list +=
        "NET START\n" +
        quillset::OsqlCommandLine(server, " SELECT CONVERT(char(20), SERVERPROPERTY('edition'))") +
        "\n" +
        quillset::OsqlCommandLine(server,
                                  " SELECT CONVERT(char(20), SERVERPROPERTY('productVersion'))") +
        "\n";
  }
  return list + "net start\n";
}

// One flow; returns how many of each program it started.
std::map<std::wstring, int> Flow(const std::string& who, const std::wstring& exe,
                                 const std::wstring& arguments) {
  JobProgram program(exe, arguments);
  HWND window = nullptr;
  HWND weiter = WaitForWeiter(program, window);
  Sleep(500);  // let start-up settle
  const std::int64_t clicked = Now();
  PostMessageW(weiter, BM_CLICK, 0, 0);
  HWND box = nullptr;
  WaitUntil("the message box", 120000, [&] {
    program.Poll();  // opens each new process before it can end
    return (box = TopWindow(program.id(), true)) != nullptr;
  });
  const std::int64_t shown = Now();
  const std::vector<Life> children = program.Children();
  const std::int64_t programs = CoveredBy(children, clicked, shown);
  std::map<std::wstring, int> started;
  char caption[256] = {};
  GetWindowTextA(box, caption, sizeof caption);
  std::printf("%s: message box \"%s\"; programs started:", who.c_str(), caption);
  for (const Life& child : children)
    ++started[child.image];
  for (const auto& [image, count] : started)
    std::printf(" %d x %ls", count, image.c_str());
  std::printf("\n");
  Result("weiter_total_" + who + "_ms", Ms(shown - clicked), "ms");
  Result("weiter_programs_" + who + "_ms", Ms(programs), "ms");
  Result("weiter_own_" + who + "_ms", Ms(shown - clicked - programs), "ms");
  Result("weiter_started_" + who, static_cast<double>(children.size()), "programs");
  return started;
}

}  // namespace

int main(int argc, char** argv) {
  return Measure(argc, argv, "weiter_time", [](int runs) {
    const Machine machine(kInstances, "Desktop Engine | 8.00.194", "Fail=1");
    std::ofstream("Q:\\commands.txt", std::ios::binary) << CommandList();
    for (int run = 1; run <= runs; ++run) {
      const auto quillset = Flow("quillset", machine.Quillset(), L"");
      const auto reference = Flow("reference", Machine::BuildFile(L"bench\\bare_window.exe"),
                                  L"--commands Q:\\commands.txt");
      if (quillset != reference)
        throw std::runtime_error("the flow and the reference started different programs");
    }
  });
}
