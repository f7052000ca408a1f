#include "install/client_alias.h"

#include "inspect/registry_access.h"

namespace quillset {

std::string ClientAliasData(const std::string& instance_name) {
  return "DBNMPNTW,\\\\.\\pipe\\MSSQL$" + instance_name + "\\sql\\query";
}

void RegisterClientAlias(platform::RegistryPort& registry, const std::string& instance_name) {
  CreateRegistryKey(registry, kClientAliasKey, platform::kHkeyLocalMachine);
  // Failures are not reported: the installation has already succeeded, and a missing alias is
  // the only consequence.
  platform::RegistryKey key(registry);
  key.Open(platform::kHkeyLocalMachine, kClientAliasKey, platform::kKeyWrite);
  SetKeyValue(key, kClientAliasName, platform::kRegSz,
              RegistryValue::FromText(ClientAliasData(instance_name)));
}

}  // namespace quillset
