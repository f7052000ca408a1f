// How long it takes from starting a program until its introduction page can be used: quillset.exe
// against the bare window program of the same kind (bare_window.exe). The measuring process
// starts the program itself and looks every millisecond for the program's visible window with its
// caption and, inside it, the visible "&Weiter" button (found by control ID, so the looking sends
// the program no message). Before the runs each program starts once unmeasured, so that both find
// their files in the cache.
//
//   launch_time [RUNS]      runs of each program, alternating (5 when not given)
//
// Prints RESULT launch_quillset_ms and RESULT launch_bare_window_ms, one line per run;
// exit code 2 when the measurement could not be made.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "driver/paths.h"
#include "driver/quillset_app.h"
#include "driver/ui.h"
#include "platform/win32/ansi_text.h"
#include "platform/win32/win32_window.h"
#include "support/bare_window_shape.h"
#include "support/watched_program.h"

namespace {

using namespace quillset;
using namespace quillset::bench;

constexpr e2e::Millis kLimit{30000};

struct Subject {
  const char* result_name;
  std::wstring exe;
  std::wstring folder;
  e2e::EnvironmentBlock environment;
  std::wstring caption;
  int weiter_id;
};

// One start: milliseconds from just before the program was created until its "&Weiter" button
// was seen visible.
double MeasureLaunch(const Subject& subject) {
  WatchedProgram program(subject.exe, L"", subject.folder, subject.environment);
  const std::int64_t deadline = program.start_called_at() + kLimit.count() * 10000;
  for (;;) {
    if (HWND window = VisibleTopLevelWindow(program.id(), subject.caption)) {
      HWND button = ControlWithId(window, subject.weiter_id);
      if (button != nullptr && IsWindowVisible(button)) {
        const double elapsed = TicksToMs(SystemTimeNow() - program.start_called_at());
        // Not timed: the button found is the one meant.
        if (e2e::TextOf(button) != "&Weiter")
          throw e2e::DriverError("the button found is \"" + e2e::TextOf(button) + "\"");
        return elapsed;
      }
    }
    if (SystemTimeNow() > deadline)
      throw e2e::DriverError("no visible \"&Weiter\" in " + win32::WideToUtf8(subject.caption));
    Sleep(1);
  }
}

}  // namespace

int main(int argc, char** argv) {
  const int runs = argc > 1 ? std::atoi(argv[1]) : 5;
  try {
    // quillset.exe in an MSDE folder of its own, as the Wine tests start it.
    e2e::MsdeMachineFolders folders("bench-launch");
    Subject quillset{"launch_quillset_ms",
                     (folders.app_folder() / "quillset.exe").wstring(),
                     folders.app_folder().wstring(),
                     folders.Environment(),
                     win32::Utf8ToWide(e2e::QuillsetApp::kCaption),
                     win32::Win32ControlId(platform::ControlId::Cmd_Installieren)};
    Subject bare{"launch_bare_window_ms",
                 e2e::WindowsPathOf(QUILLSET_BENCH_BARE_WINDOW_EXE),
                 folders.app_folder().wstring(),
                 folders.Environment(),
                 kBareWindowCaption,
                 kBareWeiterButtonId};
    std::printf("warm-up: quillset %.1f ms, bare window %.1f ms (not counted)\n",
                MeasureLaunch(quillset), MeasureLaunch(bare));
    for (int run = 1; run <= runs; ++run) {
      PrintResult(quillset.result_name, MeasureLaunch(quillset), "ms");
      Sleep(200);
      PrintResult(bare.result_name, MeasureLaunch(bare), "ms");
      Sleep(200);
    }
  } catch (const std::exception& error) {
    std::fprintf(stderr, "launch_time: %s\n", error.what());
    return 2;
  }
  return 0;
}
