// What start-up takes from the machine before the window is first shown.
#pragma once

#include <string>

#include "app/main_window_state.h"
#include "platform/registry_port.h"
#include "platform/system_port.h"

namespace quillset {

// The computer's name from GetComputerNameA (buffer of 256); "" when the call fails.
std::string GetLocalComputerName(platform::SystemPort& system);

// InstanceCount, InstanceNames, FoundPackages (with MsdeProductCodes and SetupProductCode) and
// ComputerName, in this order.
void TakeStartupInventory(platform::RegistryPort& registry, platform::SystemPort& system,
                          MainWindowState& state);

}  // namespace quillset
