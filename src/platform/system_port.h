// What the assistant asks the operating system about itself and the machine: its environment,
// the computer's name, the folder it was started from, and whether a folder exists.
#pragma once

#include <string>
#include <vector>

#include "platform/failure.h"

namespace quillset::platform {

class SystemPort {
 public:
  virtual ~SystemPort() = default;

  // The process environment as the platform lists it: "name=value" entries, in its order.
  virtual std::vector<std::string> EnvironmentEntries() = 0;

  // The computer's name; "" when the platform cannot tell.
  virtual std::string GetLocalComputerName() = 0;

  // The folder that holds the running program: no trailing backslash, except for a drive root.
  virtual std::string ProgramFolder() = 0;

  // FolderExists of "Scripting.FileSystemObject", created for this call and released after it:
  // true exactly when a folder (not a file) exists at the path. Throws PlatformFailure when the
  // component cannot be created (kFailureCannotCreateComponent) or its method fails.
  virtual bool FolderExists(const std::string& path) = 0;
};

}  // namespace quillset::platform
