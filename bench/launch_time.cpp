// Row 3: the time from just before a program is created until its "&Weiter" button is visible,
// looked for every millisecond without sending the program a message. quillset.exe (from the MSDE
// folder, on a machine without SQL Server) against bare_window.exe, and against
// bare_window_manifest.exe, which also pays for the common controls and the rest of quillset's
// manifest. One unmeasured start of each first, then RUNS starts of each, in turn.
//
//   launch_time [RUNS]      (5 when not given)
#include <string>

#include "support/clock.h"
#include "support/job.h"
#include "support/machine.h"
#include "support/window.h"

using namespace quillset::bench;

int main(int argc, char** argv) {
  return Measure(argc, argv, "launch_time", [](int runs) {
    const Machine machine(0, "", "");
    const std::pair<const char*, std::wstring> programs[] = {
        {"launch_quillset_ms", machine.Quillset()},
        {"launch_bare_ms", Machine::BuildFile(L"bench\\bare_window.exe")},
        {"launch_bare_manifest_ms", Machine::BuildFile(L"bench\\bare_window_manifest.exe")}};
    for (int run = 0; run <= runs; ++run) {
      for (const auto& [name, exe] : programs) {
        const JobProgram program(exe, L"");
        HWND window = nullptr;
        WaitForWeiter(program, window);
        if (run > 0)
          Result(name, Ms(Now() - program.created_at()), "ms");
        Sleep(200);
      }
    }
  });
}
