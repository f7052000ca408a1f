// Edition and version of every running SQL Server instance, asked through osql, and the two
// judgements the "&Weiter" decision rests on.
#pragma once

#include <array>
#include <string>

#include "inspect/command_runner.h"
#include "inspect/inventory_types.h"
#include "platform/registry_port.h"

namespace quillset {

struct ServerInfo {
  std::string ServerName;
  std::string Edition;
  std::string Version;
  friend bool operator==(const ServerInfo&, const ServerInfo&) = default;
};

// Slot i belongs to slot i of the instance list; slot 0 is never written.
using ServerInfoTable = std::array<ServerInfo, kSlotCount>;

// "osql -E -S " + server + " -Q " + '"' + query + '"'.
std::string OsqlCommandLine(const std::string& server, const std::string& query);

// Removes every "-", every "(1 row affected)", every LF, VT, FF and CR, then blanks at both ends.
std::string CleanOsqlAnswer(std::string text);

std::string QueryServerVersion(const CommandConsole& console, const std::string& server);
std::string QueryServerEdition(const CommandConsole& console, const std::string& server);

// The name under which osql reaches an instance: the computer name for MSSQLSERVER, otherwise
// computer name + "\" + instance name.
std::string ServerNameOf(const std::string& computer_name, const std::string& instance_name);

// Fills the slot of every installed instance with its server name and, when its service runs,
// its edition and version. Slots of empty instance names keep what they held.
void ProbeInstances(platform::RegistryPort& registry, const CommandConsole& console,
                    const std::string& computer_name, ServerInfoTable& server_infos);

// A version below 8: the major version (the decimal digits before the first ".") is below 8, or
// the text does not begin with a digit (an error text). An empty version is not old.
bool IsOldVersion(const std::string& version);

// The first slot with a name and an old version, or the empty record.
ServerInfo FindOldVersionServer(const ServerInfoTable& server_infos);

// The first slot with a name and an edition other than "Desktop Engine" and "Desktop Edition",
// or the empty record.
ServerInfo FindNonDesktopServer(const ServerInfoTable& server_infos);

}  // namespace quillset
