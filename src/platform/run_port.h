// What a run asks of the machine before its form starts: the command line it was started with,
// its log file, the machine to itself, and a message box while no window exists.
#pragma once

#include <memory>
#include <string>

#include "platform/log_port.h"

namespace quillset::platform {

class RunPort {
 public:
  virtual ~RunPort() = default;
  // The whole command line, program name included, as UTF-8.
  virtual std::string CommandLineText() = 0;
  // The file opened for appending, created when missing; nullptr when it cannot be opened.
  virtual std::unique_ptr<LogPort> OpenLog(const std::string& path) = 0;
  // Claims the machine for this run as long as the port lives: false when another run of the
  // assistant (in any session) or an installation by Windows Installer is under way.
  [[nodiscard]] virtual bool ClaimMachine() = 0;
  // A modal message box of the given style and title, owned by no window.
  virtual void ShowBox(const std::string& prompt, int style, const std::string& title) = 0;
};

}  // namespace quillset::platform
