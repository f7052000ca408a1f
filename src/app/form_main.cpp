// The window's life: start-up and closing.
#include "app/form_main.h"

#include "app/form_layout.h"
#include "app/run_start.h"
#include "report/system_report.h"

namespace quillset {

form_Main::form_Main(const platform::Ports& ports, RunOptions options)
    : logged_processes_(ports.processes, ports.log),
      ports_{ports.window, ports.registry, logged_processes_, ports.system, ports.log},
      options_(std::move(options)) {}

// The window is built one page tall with every page hidden; start-up adds what the machine holds.
void form_Main::Form_Load() {
  state_.inventory = TakeInventory(ports_.registry);
  state_.ComputerName = ports_.system.GetLocalComputerName();
  LogText(ports_.log, "System-Info:", BuildSystemReport(state_.inventory));
}

void form_Main::Form_Activate() {
  ports_.window.ShowPage(controls::Frame_installationOK);
}

void form_Main::OnClose() {
  closed_ = true;
  ports_.window.Unload();
}

}  // namespace quillset
