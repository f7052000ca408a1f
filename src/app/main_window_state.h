// The record of window-level values that the handlers of form_Main share. Every field starts
// empty and lives as long as the window.
#pragma once

#include <string>

#include "inspect/inventory.h"
#include "inspect/server_probes.h"

namespace quillset {

struct MainWindowState {
  // Instances and MSDE packages: read at start-up, afresh by "System-Info" and each installation.
  Inventory inventory;
  // The local computer's name, read once at start-up: osql reaches the instances under it.
  std::string ComputerName;
  // What each running instance reported at "&Weiter". It outlives the press: a slot whose
  // instance has gone from the list keeps what an earlier press found there.
  ServerInfoTable ServerInfos{};
};

}  // namespace quillset
