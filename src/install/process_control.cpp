#include "install/process_control.h"

#include <cstddef>
#include <vector>

namespace quillset {

namespace {

// Only the first 255 entries of the environment listing are looked at.
constexpr std::size_t kEnvironmentEntriesExamined = 255;

}  // namespace

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
    window.DoEvents();
    // Sleeps until the program ends or the window has a message, instead of polling flat out.
    processes.WaitForEndOrMessage(process);
  }
}

std::string GetEnvironmentValue(platform::SystemPort& system, const std::string& name) {
  const std::vector<std::string> entries = system.EnvironmentEntries();
  std::string value;
  for (std::size_t number = 1; number <= kEnvironmentEntriesExamined; ++number) {
    if (number > entries.size())
      break;  // entries beyond the last are empty and match nothing
    const std::string& entry = entries[number - 1];
    if (entry.size() > name.size() && entry.compare(0, name.size(), name) == 0 &&
        entry[name.size()] == '=') {
      value = entry.substr(name.size() + 1);
    }
  }
  return value;
}

bool FolderExists(platform::SystemPort& system, const std::string& path) {
  return system.FolderExists(path);
}

}  // namespace quillset
