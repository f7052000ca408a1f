#include "inspect/instance_inventory.h"

#include "inspect/registry_access.h"
#include "inspect/text_rules.h"

namespace quillset {

namespace {

constexpr const char* kSqlServerKey = "SOFTWARE\\Microsoft\\Microsoft SQL Server";
constexpr const char* kInstalledInstancesValue = "InstalledInstances";

}  // namespace

InstanceList InstanceListFromRegistryText(const std::string& raw) {
  InstanceList list{};
  int slot = kFirstSlot;
  std::string name;
  for (const char character : raw) {
    if (character != '\0') {
      name += character;
      continue;
    }
    // The table has no room after slot 16: further names are ignored.
    if (slot > kLastSlot)
      break;
    list[static_cast<std::size_t>(slot)] = std::move(name);
    name.clear();
    ++slot;
  }
  return list;
}

InstanceList GetInstalledInstances(platform::RegistryPort& registry) {
  return InstanceListFromRegistryText(ReadRegistryText(registry, platform::kHkeyLocalMachine,
                                                       kSqlServerKey, kInstalledInstancesValue));
}

std::int16_t CountInstalledInstances(const InstanceList& list) {
  std::int16_t count = 0;
  for (int slot = kFirstSlot; slot <= kLastSlot; ++slot) {
    if (!list[static_cast<std::size_t>(slot)].empty())
      ++count;
  }
  return count;
}

bool IsInstanceNameFree(platform::RegistryPort& registry, const std::string& name) {
  const InstanceList list = GetInstalledInstances(registry);
  bool free = true;
  for (int slot = kFirstSlot; slot <= kLastSlot; ++slot) {
    if (name == TrimBlanks(list[static_cast<std::size_t>(slot)]))
      free = false;
  }
  return free;
}

}  // namespace quillset
