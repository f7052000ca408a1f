#include "install/client_alias.h"

#include "inspect/registry_access.h"
#include "inspect/service_checks.h"

namespace quillset {

using platform::kErrorSuccess;
using platform::kHkeyLocalMachine;

std::string ClientAliasData(const std::string& instance_name) {
  return "DBNMPNTW,\\\\.\\pipe\\" + InstanceServiceName(instance_name) + "\\sql\\query";
}

std::int32_t RegisterClientAlias(platform::RegistryPort& registry,
                                 const std::string& instance_name) {
  // A creation that fails may still leave an existing key to open and write to.
  const std::int32_t created = CreateRegistryKey(registry, kClientAliasKey, kHkeyLocalMachine);
  platform::RegistryKey key(registry);
  const std::int32_t opened = key.Open(kHkeyLocalMachine, kClientAliasKey, platform::kKeyWrite);
  if (opened != kErrorSuccess)
    return created != kErrorSuccess ? created : opened;
  return SetKeyValue(key, kClientAliasName, platform::kRegSz,
                     RegistryValue::FromText(ClientAliasData(instance_name)));
}

}  // namespace quillset
