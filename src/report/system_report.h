// The "System-Info" report: installed instances and MSDE packages in one message box.
#pragma once

#include <string>

#include "inspect/inventory.h"

namespace quillset {

inline constexpr const char* kSystemReportTitle =
    "Microsoft SQL-Server Installations-Informationen";

// The report text: line feeds and tabs, numbers with a leading blank.
std::string BuildSystemReport(const Inventory& inventory);

}  // namespace quillset
