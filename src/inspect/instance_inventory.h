// Which SQL Server instances the registry lists (InstalledInstances), how many, and whether a
// name is still free. Every call reads the registry afresh.
#pragma once

#include <cstdint>
#include <string>

#include "inspect/inventory_types.h"
#include "platform/registry_port.h"

namespace quillset {

// The walk over the raw REG_MULTI_SZ text: each NUL ends a name, which goes into the next slot
// from slot 1 on; characters after the last NUL are dropped; names beyond slot 16 are ignored.
InstanceList InstanceListFromRegistryText(const std::string& raw);

InstanceList GetInstalledInstances(platform::RegistryPort& registry);

// Slots 1 to 16 of the list whose text is not empty (blanks count).
std::int16_t CountInstalledInstances(const InstanceList& list);

// True when the name equals none of slots 1 to 16 of a fresh list, each trimmed of blanks.
bool IsInstanceNameFree(platform::RegistryPort& registry, const std::string& name);

}  // namespace quillset
