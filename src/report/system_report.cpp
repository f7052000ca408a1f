#include "report/system_report.h"

#include "inspect/text_rules.h"

namespace quillset {

namespace {

constexpr const char* kLineFeed = "\n";
constexpr const char* kIndent = "\t\t";

}  // namespace

std::string BuildSystemReport(const Inventory& inventory) {
  std::string text;
  text += "Auf diesem Rechner wurden gefunden: ";
  text += kLineFeed;
  text += kLineFeed;
  text += "Anzahl der MSSQL-Datenbanken: ";
  text += kLineFeed;
  text += kIndent + WithSignBlank(inventory.InstanceCount);
  text += kLineFeed;
  text += kLineFeed;
  text += "Namen der MSSQL-Datenbanken: ";
  text += kLineFeed;
  for (int slot = kFirstSlot; slot <= kLastSlot; ++slot) {
    const std::string& name = inventory.InstanceNames[static_cast<std::size_t>(slot)];
    if (name.empty())
      continue;
    text += kIndent + name;
    text += kLineFeed;
  }
  text += kLineFeed;
  text += kLineFeed;
  text += "Auf diesem Rechner installierte MSDE-Pakete: ";
  text += kLineFeed;
  for (int slot = kFirstSlot; slot <= kLastSlot; ++slot) {
    if (LeadingNumber(inventory.FoundPackages[static_cast<std::size_t>(slot)]) != slot)
      continue;
    text += kIndent + WithSignBlank(slot);
    text += kLineFeed;
  }
  return text;
}

}  // namespace quillset
