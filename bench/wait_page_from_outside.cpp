// The installation's wait, seen from outside the program: quillset.exe and the busy poll of
// bare_window.exe --busy-wait each start the stand-in MSDE setup, which works for 10 s, and wait
// for its end. Measured from this process, for each:
// - the processor time the waiting program used while the setup ran: its threads' times read
//   when the job reports the setup's start and its end (a run without pings), and the Wine
//   server's over the same time when QUILLSET_BENCH_WINESERVER_PID names it (under Wine, much
//   of a busy poll's cost is the server's);
// - the longest time the program's window left a message unanswered while the setup ran: WM_NULL
//   sent about every 10 ms from here (a second run, since answering costs processor time).
// The setup is told to fail after its 10 s (Fail=1): it then registers nothing, so every run finds
// the same machine, and the wait does not depend on the outcome.
//
//   wait_page_from_outside [RUNS]      (1 when not given)
//
// Prints RESULT lines (name value unit) for scripts/bench; exit code 2 when the measurement could
// not be made.
//
// Needs the "Server" service running (the assistant checks it before it installs): it takes over
// LanmanServer with the stand-in service program for its run.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>

#include "driver/paths.h"
#include "driver/quillset_app.h"
#include "driver/ui.h"
#include "driver/wine_machine.h"
#include "install/setup_command.h"
#include "platform/win32/ansi_text.h"
#include "platform/win32/win32_window.h"
#include "support/bare_window_shape.h"
#include "support/watched_program.h"

namespace {

using namespace quillset;
using namespace quillset::bench;

constexpr int kSetupSeconds = 10;
constexpr e2e::Millis kStartLimit{30000};
constexpr e2e::Millis kSetupLimit{(kSetupSeconds + 30) * 1000};

std::string SetupIni() {
  return "[Options]\r\n[quillset-standin]\r\nDelaySeconds=" + std::to_string(kSetupSeconds) +
         "\r\nFail=1\r\n";
}

struct Subject {
  std::string name;  // in the result names
  std::wstring exe;
  std::wstring arguments;
  const e2e::MsdeMachineFolders* folders;
  std::wstring caption;
  int weiter_id;
};

struct Figures {
  double cpu_s = 0;
  double server_cpu_s = -1;  // the Wine server's meanwhile; -1 when not known
  double setup_s = 0;
  double longest_unanswered_ms = 0;
  int pings = 0;
};

HWND WaitForWeiter(const WatchedProgram& program, const Subject& subject, HWND& window) {
  return e2e::WaitFor("the \"&Weiter\" button", kStartLimit, [&]() -> HWND {
    window = VisibleTopLevelWindow(program.id(), subject.caption);
    HWND button = window == nullptr ? nullptr : ControlWithId(window, subject.weiter_id);
    return button != nullptr && IsWindowVisible(button) ? button : nullptr;
  });
}

// One wait for the setup; with `pinging`, the window's answers are timed meanwhile.
Figures MeasureWait(const Subject& subject, bool pinging) {
  WatchedProgram program(subject.exe, subject.arguments, subject.folders->app_folder().wstring(),
                         subject.folders->Environment(), true);
  HWND window = nullptr;
  HWND weiter = WaitForWeiter(program, subject, window);
  // Let start-up settle before the click.
  Sleep(300);
  std::optional<Pinger> pinger;
  if (pinging)
    pinger.emplace(window);
  e2e::ClickButton(weiter);
  const ProcessLife setup = program.WaitForChildEnd(L"setup.exe", kSetupLimit);
  if (pinger)
    pinger->Stop();
  if (!setup.kernel_times)
    throw e2e::DriverError("the setup ended before its times could be read");

  Figures figures;
  figures.setup_s = TicksToMs(setup.ended - setup.started) / 1000.0;
  figures.cpu_s = static_cast<double>(setup.program_cpu_at_end - setup.program_cpu_at_start) / 1e7;
  if (setup.server_cpu_at_start >= 0 && setup.server_cpu_at_end >= 0) {
    figures.server_cpu_s =
        static_cast<double>(setup.server_cpu_at_end - setup.server_cpu_at_start) / 1e7;
  }
  if (pinger) {
    figures.longest_unanswered_ms = pinger->LongestUnansweredWithin(setup.started, setup.ended);
    figures.pings = pinger->PingsWithin(setup.started, setup.ended);
  }
  return figures;
}

void MeasureSubject(const Subject& subject) {
  const Figures quiet = MeasureWait(subject, false);
  const Figures pinged = MeasureWait(subject, true);
  std::printf("%s: setup ran %.2f s / %.2f s; %d pings while it ran\n", subject.name.c_str(),
              quiet.setup_s, pinged.setup_s, pinged.pings);
  if (pinged.pings < kSetupSeconds * 20)
    throw e2e::DriverError("too few pings while the setup ran: " + std::to_string(pinged.pings));
  PrintResult(("wait_page_cpu_" + subject.name + "_s").c_str(), quiet.cpu_s, "s");
  if (quiet.server_cpu_s >= 0)
    PrintResult(("wait_page_server_cpu_" + subject.name + "_s").c_str(), quiet.server_cpu_s, "s");
  PrintResult(("wait_page_longest_unanswered_" + subject.name + "_ms").c_str(),
              pinged.longest_unanswered_ms, "ms");
  PrintResult(("wait_page_setup_ran_" + subject.name + "_s").c_str(), quiet.setup_s, "s");
}

}  // namespace

int main(int argc, char** argv) {
  const int runs = argc > 1 ? std::atoi(argv[1]) : 1;
  try {
    e2e::StandinService server(e2e::StandinService::kServerName,
                               e2e::StandinService::kServerDisplayName);
    server.Start();

    e2e::MsdeFolderContents contents;
    contents.setup_ini_text = SetupIni();
    const e2e::MsdeMachineFolders quillset_folders("bench-wait-quillset", contents);
    const e2e::MsdeMachineFolders busy_folders("bench-wait-busy-poll", contents);

    // The busy poll starts the setup command line quillset builds for the same folders.
    const std::string app = win32::WideToUtf8(busy_folders.app_folder().wstring());
    const std::string setup_command = SetupCommandFor(
        app,
        SetupArgumentsFor(
            app, SetupLogPathFor(win32::WideToUtf8(busy_folders.temp_folder().wstring())),
            "GLOBANA", TargetFolderFor(win32::WideToUtf8(busy_folders.program_files().wstring()))),
        PackageOptionFor(app, 1));

    const Subject quillset{"quillset",
                           (quillset_folders.app_folder() / "quillset.exe").wstring(),
                           L"",
                           &quillset_folders,
                           win32::Utf8ToWide(e2e::QuillsetApp::kCaption),
                           win32::Win32ControlId(platform::ControlId::Cmd_Installieren)};
    const Subject busy_poll{"busy_poll",
                            e2e::WindowsPathOf(QUILLSET_BENCH_BARE_WINDOW_EXE),
                            L"--busy-wait " + win32::Utf8ToWide(setup_command),
                            &busy_folders,
                            kBareWindowCaption,
                            kBareWeiterButtonId};
    for (int run = 1; run <= runs; ++run) {
      MeasureSubject(quillset);
      MeasureSubject(busy_poll);
    }
  } catch (const std::exception& error) {
    std::fprintf(stderr, "wait_page_from_outside: %s\n", error.what());
    return 2;
  }
  return 0;
}
