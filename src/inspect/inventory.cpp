#include "inspect/inventory.h"

#include <algorithm>

#include "inspect/instance_inventory.h"
#include "inspect/package_detection.h"

namespace quillset {

namespace {

constexpr std::uint32_t kComputerNameBufferSize = 256;

}  // namespace

Inventory TakeInventory(platform::RegistryPort& registry) {
  Inventory inventory;
  // One read of InstalledInstances: the count is that of the names read.
  inventory.InstanceNames = GetInstalledInstances(registry);
  inventory.InstanceCount = CountInstalledInstances(inventory.InstanceNames);
  inventory.FoundPackages = DetectMsdePackages(registry);
  return inventory;
}

std::string GetLocalComputerName(platform::SystemPort& system) {
  char buffer[kComputerNameBufferSize] = {};
  std::uint32_t size = kComputerNameBufferSize;
  if (!system.GetComputerNameA(buffer, size))
    return {};
  // The text before the first NUL; the size handed back is not trusted.
  return std::string(buffer, std::find(buffer, buffer + kComputerNameBufferSize, '\0'));
}

}  // namespace quillset
