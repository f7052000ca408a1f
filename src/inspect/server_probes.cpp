#include "inspect/server_probes.h"

#include <string_view>

#include "inspect/instance_inventory.h"
#include "inspect/service_checks.h"
#include "inspect/text_rules.h"

namespace quillset {

namespace {

constexpr std::string_view kVersionQuery =
    " SELECT CONVERT(char(20), SERVERPROPERTY('productVersion'))";
constexpr std::string_view kEditionQuery = " SELECT CONVERT(char(20), SERVERPROPERTY('edition'))";
constexpr std::string_view kDefaultInstance = "MSSQLSERVER";

std::string AskServer(const CommandConsole& console, const std::string& server,
                      std::string_view query) {
  RunCommandToTextBox(console, OsqlCommandLine(server, std::string(query)));
  return CleanOsqlAnswer(console.box.Text());
}

}  // namespace

std::string OsqlCommandLine(const std::string& server, const std::string& query) {
  return "osql -E -S " + server + " -Q " + '"' + query + '"';
}

std::string CleanOsqlAnswer(std::string text) {
  text = RemoveAll(std::move(text), "-");
  text = RemoveAll(std::move(text), "(1 row affected)");
  for (const char line_control : {'\n', '\v', '\f', '\r'}) {
    text = RemoveAll(std::move(text), std::string_view(&line_control, 1));
  }
  return TrimBlanks(text);
}

std::string QueryServerVersion(const CommandConsole& console, const std::string& server) {
  return AskServer(console, server, kVersionQuery);
}

std::string QueryServerEdition(const CommandConsole& console, const std::string& server) {
  return AskServer(console, server, kEditionQuery);
}

std::string ServerNameOf(const std::string& computer_name, const std::string& instance_name) {
  if (instance_name == kDefaultInstance)
    return computer_name;
  return computer_name + "\\" + instance_name;
}

void ProbeInstances(platform::RegistryPort& registry, const CommandConsole& console,
                    const std::string& computer_name, ServerInfoTable& server_infos) {
  const InstanceList instances = GetInstalledInstances(registry);
  for (int slot = kFirstSlot; slot <= kLastSlot; ++slot) {
    const std::string& instance = instances[static_cast<std::size_t>(slot)];
    // An empty slot keeps whatever an earlier probe stored there.
    if (instance.empty())
      continue;
    ServerInfo info;
    info.ServerName = ServerNameOf(computer_name, instance);
    if (IsInstanceServiceStarted(console, instance)) {
      info.Edition = QueryServerEdition(console, info.ServerName);
      info.Version = QueryServerVersion(console, info.ServerName);
    }
    server_infos[static_cast<std::size_t>(slot)] = std::move(info);
  }
}

bool IsOldVersion(const std::string& version) {
  if (version.empty())
    return false;
  // osql's error texts begin with a letter; an unreadable answer counts as old.
  if (!IsAsciiDigit(version.front()))
    return true;
  int major = 0;
  for (std::size_t i = 0; i < version.size() && IsAsciiDigit(version[i]) && major < 8; ++i) {
    major = major * 10 + (version[i] - '0');
  }
  return major < 8;
}

ServerInfo FindOldVersionServer(const ServerInfoTable& server_infos) {
  for (int slot = kFirstSlot; slot <= kLastSlot; ++slot) {
    const ServerInfo& info = server_infos[static_cast<std::size_t>(slot)];
    if (!info.ServerName.empty() && IsOldVersion(info.Version))
      return info;
  }
  return {};
}

ServerInfo FindNonDesktopServer(const ServerInfoTable& server_infos) {
  for (int slot = kFirstSlot; slot <= kLastSlot; ++slot) {
    const ServerInfo& info = server_infos[static_cast<std::size_t>(slot)];
    if (!info.ServerName.empty() && !info.Edition.empty() && info.Edition != "Desktop Engine" &&
        info.Edition != "Desktop Edition") {
      return info;
    }
  }
  return {};
}

}  // namespace quillset
