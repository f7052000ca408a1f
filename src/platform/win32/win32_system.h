// The system port over kernel32 and the "Scripting.FileSystemObject" automation class.
#pragma once

#include "platform/system_port.h"

namespace quillset::win32 {

class Win32System : public platform::SystemPort {
 public:
  std::vector<std::string> EnvironmentEntries() override;
  std::string GetLocalComputerName() override;
  std::string ProgramFolder() override;
  // Needs COM initialised on the calling thread.
  bool FolderExists(const std::string& path) override;
};

}  // namespace quillset::win32
