// The installation of a new named MSDE 2000 instance, from the choice of the name through the
// setup program and the start of the service to the client alias and the final message.
#pragma once

#include <cstdint>
#include <string>

#include "inspect/inventory_types.h"
#include "platform/ports.h"

namespace quillset {

// The window's fields that an installation reads and writes.
struct InstallFields {
  ProductCodeTable& MsdeProductCodes;
  std::string& SetupProductCode;
  std::int16_t& InstanceCount;
  std::string& NewInstanceName;
  PackageList& FoundPackages;
  std::string& PackageOption;
  std::string& SetupArguments;
  std::string& TargetFolder;
};

// How a run ended, for the caller and the tests; the user learns it from the messages.
enum class InstallOutcome {
  RefusedTooManyInstances,
  Cancelled,
  RefusedFolderExists,
  SetupNotStarted,
  Installed,  // the window has been unloaded
  ServiceNotRunning,
  Failed,
};

InstallOutcome InstallMsde(const platform::Ports& ports, const InstallFields& fields);

}  // namespace quillset
