#include "install/program_run.h"

namespace quillset {

std::int16_t StartProcess(platform::ProcessPort& processes, const std::string& command_line,
                          platform::ProcessHandle& process) {
  platform::ProcessHandle started = 0;
  if (!processes.Start(command_line, started))
    return kProcessNotStarted;
  process = started;
  return kProcessStarted;
}

bool IsProcessRunning(platform::ProcessPort& processes, platform::ProcessHandle process) {
  return processes.IsRunning(process);
}

void WaitForProgramEnd(platform::ProcessPort& processes, platform::WindowPort& window,
                       platform::ProcessHandle process) {
  while (IsProcessRunning(processes, process)) {
    window.SetEnabled(false);
    if (!window.DoEvents())
      return;
    // Sleeps until the program ends or the window has a message, instead of polling flat out.
    processes.WaitForEndOrMessage(process);
  }
}

}  // namespace quillset
