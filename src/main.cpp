// quillset.exe: the command line read, the log opened and the machine claimed; then the real
// machine's ports, the window built from form_Main's table, start-up, and the message loop until
// the window is unloaded. Returns the run's exit code.
#include "app/form_layout.h"
#include "app/form_main.h"
#include "app/run_start.h"
#include "platform/win32/program.h"
#include "platform/win32/win32_processes.h"
#include "platform/win32/win32_registry.h"
#include "platform/win32/win32_run.h"
#include "platform/win32/win32_system.h"

int main() {
  using namespace quillset;
  const win32::ProgramSetup setup;
  win32::Win32Run run;  // holds the machine for the whole run
  win32::Win32System system;
  const RunStart start = StartRun(run, system);
  if (start.ended)
    return EndRun(*start.log, *start.ended);
  if (start.command.quiet) {
    start.log->AppendLine("Die Installation ohne Fenster ist in dieser Version nicht verfügbar.");
    return EndRun(*start.log, ExitCode::kInstallationFailed);
  }

  win32::Win32Registry registry;
  win32::Win32Processes processes;
  const std::unique_ptr<win32::MainWindow> window = win32::MainWindow::Create(FormMainLayout());
  if (window == nullptr)
    return EndRun(*start.log, ExitCode::kInstallationFailed);

  form_Main form(platform::Ports{*window, registry, processes, system});
  window->SetHandlers([&form](platform::ControlId button) { form.OnButton(button); },
                      [&form] { form.OnClose(); });
  // Form_Load runs while the window is still hidden; Form_Activate as it is first shown, before
  // its first paint, so that the introduction page is what appears.
  form.Form_Load();
  window->Show();
  form.Form_Activate();
  return EndRun(*start.log, static_cast<ExitCode>(window->RunMessageLoop()));
}
