// Which of the sixteen MSDE 2000 packages the machine carries, by four registry probes each.
#pragma once

#include <string>

#include "inspect/inventory_types.h"
#include "platform/registry_port.h"

namespace quillset {

// The sixteen MSDE 2000 product codes, upper case, without braces, in slots 1 to 16.
const ProductCodeTable& KnownMsdeProductCodes();

// The Windows Installer's registration key of a product below HKEY_CLASSES_ROOT:
// "Installer\Products\" and the product code in the installer's packed form (each of the first
// three groups reversed, each byte of the last two groups with its two digits swapped, no hyphens).
std::string InstallerProductKeyPath(const std::string& product_code);

// Runs the four probes in order and returns the packages found.
PackageList DetectMsdePackages(platform::RegistryPort& registry);

}  // namespace quillset
