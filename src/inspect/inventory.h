// What the machine holds, read in one go: the SQL Server instances and the MSDE packages. Start-up,
// "System-Info" and every installation take it afresh.
#pragma once

#include <cstdint>
#include <string>

#include "inspect/inventory_types.h"
#include "platform/registry_port.h"

namespace quillset {

struct Inventory {
  std::int16_t InstanceCount = 0;  // installed instances, 0 to 16
  InstanceList InstanceNames{};    // their names, from slot 1 on
  PackageList FoundPackages{};     // which of the 16 MSDE packages are installed
};

Inventory TakeInventory(platform::RegistryPort& registry);

}  // namespace quillset
