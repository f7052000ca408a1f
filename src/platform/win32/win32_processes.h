// The process port on Win32: hidden console programs read through a pipe that never blocks the
// window's thread, and programs started normally and waited for.
#pragma once

#include <memory>
#include <string>

#include "platform/process_port.h"

namespace quillset::win32 {

class Win32Processes : public platform::ProcessPort {
 public:
  // With hide_windows, programs started normally open their windows hidden (a quiet run: net
  // start's console
  // window would otherwise appear on the desktop).
  explicit Win32Processes(bool hide_windows = false) : hide_windows_(hide_windows) {}
  std::unique_ptr<platform::ConsoleProgram> StartHiddenConsole(
      const std::string& command_line) override;
  std::unique_ptr<platform::StartedProgram> Start(const std::string& command_line) override;

 private:
  bool hide_windows_;
};

}  // namespace quillset::win32
