#include "inspect/package_detection.h"

#include <algorithm>
#include <array>

#include "inspect/registry_access.h"

namespace quillset {

using platform::kHkeyClassesRoot;
using platform::kHkeyLocalMachine;

namespace {

constexpr const char* kUninstallKey = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\";
constexpr const char* kSetupKey = "SOFTWARE\\Microsoft\\MSSQLServer\\Setup";
constexpr const char* kComponentSetKey = "SOFTWARE\\Microsoft\\Microsoft SQL Server\\Component Set";

std::size_t Slot(int number) {
  return static_cast<std::size_t>(number);
}

void MarkFound(PackageList& packages, int slot) {
  packages[Slot(slot)] = std::to_string(slot);
}

// A product code as written in a GUID field: 8-4-4-4-12 hexadecimal digits.
bool HasProductCodeShape(const std::string& code) {
  if (code.size() != 36)
    return false;
  for (std::size_t at = 0; at < code.size(); ++at) {
    const bool hyphen_place = at == 8 || at == 13 || at == 18 || at == 23;
    if (hyphen_place != (code[at] == '-'))
      return false;
  }
  return true;
}

}  // namespace

const ProductCodeTable& KnownMsdeProductCodes() {
  static const ProductCodeTable codes = {
      "",
      "E09B48B5-E141-427A-AB0C-D3605127224A",
      "689404D2-1C94-44B3-9203-BEC5594FDA7A",
      "EFB70B01-B1F3-4960-AB69-4A280084A60C",
      "C2736CA7-76E1-4D0C-B590-483A7FFD18DA",
      "FE7E950B-220A-4182-B5CA-19397244DCFD",
      "7E5C338B-E77E-4CB4-9C1D-FB67B56B3B19",
      "F07E35BF-8B03-4777-9B5E-AE90E4FF0932",
      "C5B59406-E985-4187-84E8-68E2D9F89A47",
      "D7CE240C-0F3B-4C40-9278-C0B90E533652",
      "A519AE9C-7C79-4C5B-9127-8F46D648D5A4",
      "4541DA32-2108-43E9-9915-C71B9DE77048",
      "A5C1C914-4EF7-40ED-9BCE-FCEB4BB0C19D",
      "9FCE5BBD-D85F-4905-8A0C-12A3A86C2434",
      "F4E46404-2578-4955-B748-547957F08AB1",
      "B7300824-E68F-45F1-BAC1-5F15636C346F",
      "CD59EA85-6CBF-4C08-BE59-6C628B3D8F54",
  };
  return codes;
}

std::string InstallerProductKeyPath(const std::string& product_code) {
  std::string packed;
  if (HasProductCodeShape(product_code)) {
    const auto reversed = [&](std::size_t from, std::size_t length) {
      std::string group = product_code.substr(from, length);
      std::reverse(group.begin(), group.end());
      packed += group;
    };
    const auto pairs_swapped = [&](std::size_t from, std::size_t length) {
      for (std::size_t at = from; at < from + length; at += 2) {
        packed += product_code[at + 1];
        packed += product_code[at];
      }
    };
    reversed(0, 8);
    reversed(9, 4);
    reversed(14, 4);
    pairs_swapped(19, 4);
    pairs_swapped(24, 12);
  } else {
    packed = product_code;  // not a GUID: no packed form, and no product registers under it
  }
  return "Installer\\Products\\" + packed;
}

PackageList DetectMsdePackages(platform::RegistryPort& registry) {
  const ProductCodeTable& msde_product_codes = KnownMsdeProductCodes();
  PackageList packages{};

  // Probe 1: the Windows Installer's registration of the product.
  for (int i = kFirstSlot; i <= kLastSlot; ++i) {
    const RegistryValue name =
        ReadRegistryValue(registry, kHkeyClassesRoot,
                          InstallerProductKeyPath(msde_product_codes[Slot(i)]), "ProductName");
    if (!(name == ""))
      MarkFound(packages, i);
  }

  // Probe 2: the uninstall entry names the instance.
  for (int i = kFirstSlot; i <= kLastSlot; ++i) {
    const RegistryValue instance = ReadRegistryValue(
        registry, kHkeyLocalMachine, kUninstallKey + ("{" + msde_product_codes[Slot(i)] + "}"),
        "SqlInstanceName");
    if (!(instance == ""))
      MarkFound(packages, i);
  }

  // Probe 3: the product code the last SQL Server setup recorded.
  const std::string setup_product_code =
      ReadRegistryValue(registry, kHkeyLocalMachine, kSetupKey, "ProductCode").ToText();
  for (int i = kFirstSlot; i <= kLastSlot; ++i) {
    if (setup_product_code == msde_product_codes[Slot(i)])
      MarkFound(packages, i);
  }

  // Probe 4: the component sets of the instances. The sixteen values are the same for every
  // package, so they are read once and each package is compared with all of them.
  std::array<std::string, kSlotCount> component_sets{};
  for (int j = kFirstSlot; j <= kLastSlot; ++j) {
    component_sets[Slot(j)] = ReadRegistryValue(registry, kHkeyLocalMachine, kComponentSetKey,
                                                "InstanceComponentSet." + std::to_string(j))
                                  .ToText();
  }
  for (int i = kFirstSlot; i <= kLastSlot; ++i) {
    const std::string braced = "{" + msde_product_codes[Slot(i)] + "}";
    for (int j = kFirstSlot; j <= kLastSlot; ++j) {
      if (component_sets[Slot(j)] == braced)
        MarkFound(packages, i);
    }
  }

  return packages;
}

}  // namespace quillset
