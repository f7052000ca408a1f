#include "inspect/inventory.h"

#include "inspect/instance_inventory.h"
#include "inspect/package_detection.h"

namespace quillset {

Inventory TakeInventory(platform::RegistryPort& registry) {
  Inventory inventory;
  // One read of InstalledInstances: the count is that of the names read.
  inventory.InstanceNames = GetInstalledInstances(registry);
  inventory.InstanceCount = CountInstalledInstances(inventory.InstanceNames);
  inventory.FoundPackages = DetectMsdePackages(registry);
  return inventory;
}

}  // namespace quillset
