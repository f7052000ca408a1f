#include "report/system_report.h"

#include "inspect/instance_inventory.h"
#include "inspect/package_detection.h"
#include "inspect/text_rules.h"

namespace quillset {

namespace {

constexpr const char* kLineFeed = "\n";
constexpr const char* kIndent = "\t\t";

}  // namespace

std::string BuildSystemReport(std::int16_t instance_count, const InstanceList& instance_names,
                              const PackageList& found_packages) {
  std::string text;
  text += "Auf diesem Rechner wurden gefunden: ";
  text += kLineFeed;
  text += kLineFeed;
  text += "Anzahl der MSSQL-Datenbanken: ";
  text += kLineFeed;
  text += kIndent + WithSignBlank(instance_count);
  text += kLineFeed;
  text += kLineFeed;
  text += "Namen der MSSQL-Datenbanken: ";
  text += kLineFeed;
  for (int slot = kFirstSlot; slot <= kLastSlot; ++slot) {
    const std::string& name = instance_names[static_cast<std::size_t>(slot)];
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
    if (LeadingNumber(found_packages[static_cast<std::size_t>(slot)]) != slot)
      continue;
    text += kIndent + WithSignBlank(slot);
    text += kLineFeed;
  }
  return text;
}

void ShowSystemReport(const platform::Ports& ports, const SystemReportFields& fields) {
  fields.InstanceCount = CountInstalledInstances(ports.registry);
  fields.InstanceNames = GetInstalledInstances(ports.registry);
  fields.FoundPackages =
      DetectMsdePackages(ports.registry, fields.MsdeProductCodes, fields.SetupProductCode);
  ports.window.MsgBox(
      BuildSystemReport(fields.InstanceCount, fields.InstanceNames, fields.FoundPackages),
      platform::kMsgBoxInformation, kSystemReportTitle);
}

}  // namespace quillset
