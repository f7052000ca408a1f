// quillset.exe: the command line read, the log opened and the machine claimed; then the real
// machine's ports and either the window built from form_Main's table, run by its message loop, or
// in a quiet run no window at all. Returns the run's exit code.
#include "app/form_layout.h"
#include "app/form_main.h"
#include "app/logged_ports.h"
#include "app/quiet_window.h"
#include "app/run_start.h"
#include "platform/win32/program.h"
#include "platform/win32/win32_processes.h"
#include "platform/win32/win32_registry.h"
#include "platform/win32/win32_run.h"
#include "platform/win32/win32_system.h"
#include "platform/win32/win32_text_box.h"

int main() {
  using namespace quillset;
  const win32::ProgramSetup setup;
  win32::Win32Run run;  // holds the machine for the whole run
  win32::Win32System system;
  const RunStart start = StartRun(run, system);
  if (start.ended)
    return EndRun(*start.log, *start.ended);
  platform::LogPort& log = *start.log;
  const RunOptions& options = start.options;
  win32::Win32Registry registry;
  win32::Win32Processes processes(/*hide_windows=*/start.command.quiet);

  if (start.command.quiet) {
    win32::Win32TextBox text_box(/*with_control=*/false);
    QuietWindow window(log, text_box);
    form_Main form(platform::Ports{window, registry, processes, system, log}, options);
    return EndRun(log, window.Run(form));
  }

  const std::unique_ptr<win32::MainWindow> window = win32::MainWindow::Create(FormMainLayout());
  if (window == nullptr)
    return EndRun(log, ExitCode::kInstallationFailed);
  LoggedWindow logged_window(*window, log);
  form_Main form(platform::Ports{logged_window, registry, processes, system, log}, options);
  window->SetHandlers([&form](platform::ControlId button) { form.OnButton(button); },
                      [&form] { form.OnClose(); });
  // Form_Load runs while the window is still hidden; Form_Activate just before it is first shown,
  // so that the introduction page is in place for the first paint. A page shown inside a window
  // that is not yet on the screen costs nothing to draw (under Wine about 15 ms less at start-up).
  form.Form_Load();
  form.Form_Activate();
  window->Show();
  window->RunMessageLoop();
  return EndRun(log, form.Outcome());
}
