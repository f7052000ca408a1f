// quillset.exe: the real machine's ports, the window built from form_Main's table, start-up, then
// the message loop until the window is unloaded.
#include "app/form_layout.h"
#include "app/form_main.h"
#include "platform/win32/program.h"
#include "platform/win32/win32_processes.h"
#include "platform/win32/win32_registry.h"
#include "platform/win32/win32_system.h"

int main() {
  using namespace quillset;
  const win32::ProgramSetup setup;
  win32::Win32Registry registry;
  win32::Win32Processes processes;
  win32::Win32System system;
  const std::unique_ptr<win32::MainWindow> window = win32::MainWindow::Create(FormMainLayout());
  if (window == nullptr)
    return 1;

  form_Main form(platform::Ports{*window, registry, processes, system});
  window->SetHandlers([&form](platform::ControlId button) { form.OnButton(button); },
                      [&form] { form.OnClose(); });
  // Form_Load runs while the window is still hidden; Form_Activate as it is first shown, before
  // its first paint, so that the introduction page is what appears.
  form.Form_Load();
  window->Show();
  form.Form_Activate();
  return window->RunMessageLoop();
}
