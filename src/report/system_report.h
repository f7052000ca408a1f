// The "System-Info" report: installed instances and MSDE packages in one message box.
#pragma once

#include <cstdint>
#include <string>

#include "inspect/inventory_types.h"
#include "platform/ports.h"

namespace quillset {

inline constexpr const char* kSystemReportTitle =
    "Microsoft SQL-Server Installations-Informationen";

// The report text: line feeds and tabs, numbers with a leading blank.
std::string BuildSystemReport(std::int16_t instance_count, const InstanceList& instance_names,
                              const PackageList& found_packages);

// The window's fields the report refreshes.
struct SystemReportFields {
  ProductCodeTable& MsdeProductCodes;
  std::string& SetupProductCode;
  std::int16_t& InstanceCount;
  InstanceList& InstanceNames;
  PackageList& FoundPackages;
};

// Reads the inventory afresh into the fields and shows the report (style 64).
void ShowSystemReport(const platform::Ports& ports, const SystemReportFields& fields);

}  // namespace quillset
