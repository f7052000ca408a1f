// The record of window-level variables that all handlers of form_Main share. Every field starts
// empty and lives as long as the window.
#pragma once

#include <cstdint>
#include <string>

#include "inspect/inventory_types.h"
#include "inspect/server_probes.h"

namespace quillset {

struct MainWindowState {
  ProductCodeTable MsdeProductCodes{};  // the 16 known product codes, filled by each detection
  ServerInfoTable ServerInfos{};        // what each running instance reported at "&Weiter"
  std::string SetupProductCode;         // ProductCode of the last SQL Server setup
  std::int16_t InstanceCount = 0;       // number of installed instances
  std::string NewInstanceName;          // name of the instance to be installed
  InstanceList InstanceNames{};         // names of the installed instances
  PackageList FoundPackages{};          // which of the 16 MSDE packages are installed
  std::string PackageOption;            // setup switch naming the package file
  std::string SetupArguments;           // setup switches from /lv to TARGETDIR
  std::string TargetFolder;             // quoted target folder of the installation
  std::string ComputerName;             // the local computer name, read once at start-up
};

}  // namespace quillset
