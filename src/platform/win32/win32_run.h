// The run port over kernel32 and user32: the command line from GetCommandLineW, the log file, the
// machine claimed by a named mutex in the Global namespace, a box owned by no window.
#pragma once

#include "platform/run_port.h"
#include "platform/win32/handle.h"

namespace quillset::win32 {

class Win32Run final : public platform::RunPort {
 public:
  std::string CommandLineText() override;
  std::unique_ptr<platform::LogPort> OpenLog(const std::string& path) override;
  // The mutex is held until this object ends, which main() keeps for the whole run.
  bool ClaimMachine() override;
  void ShowBox(const std::string& prompt, int style, const std::string& title) override;

 private:
  ScopedHandle run_mutex_;
};

}  // namespace quillset::win32
