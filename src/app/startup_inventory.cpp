#include "app/startup_inventory.h"

#include <algorithm>

#include "inspect/instance_inventory.h"
#include "inspect/package_detection.h"

namespace quillset {

namespace {

constexpr std::uint32_t kComputerNameBufferSize = 256;

}  // namespace

std::string GetLocalComputerName(platform::SystemPort& system) {
  char buffer[kComputerNameBufferSize] = {};
  std::uint32_t size = kComputerNameBufferSize;
  if (!system.GetComputerNameA(buffer, size))
    return {};
  // The text before the first NUL; the size handed back is not trusted.
  return std::string(buffer, std::find(buffer, buffer + kComputerNameBufferSize, '\0'));
}

void TakeStartupInventory(platform::RegistryPort& registry, platform::SystemPort& system,
                          MainWindowState& state) {
  state.InstanceCount = CountInstalledInstances(registry);
  state.InstanceNames = GetInstalledInstances(registry);
  state.FoundPackages =
      DetectMsdePackages(registry, state.MsdeProductCodes, state.SetupProductCode);
  state.ComputerName = GetLocalComputerName(system);
}

}  // namespace quillset
