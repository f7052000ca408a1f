#include "inspect/server_probes.h"

#include <string_view>

namespace quillset {

namespace {

constexpr std::string_view kVersionQuery =
    " SELECT CONVERT(char(20), SERVERPROPERTY('productVersion'))";
constexpr std::string_view kEditionQuery = " SELECT CONVERT(char(20), SERVERPROPERTY('edition'))";
constexpr std::string_view kDefaultInstance = "MSSQLSERVER";

std::string RemoveEvery(std::string text, std::string_view piece) {
  std::string kept;
  kept.reserve(text.size());
  std::size_t from = 0;
  for (std::size_t found = text.find(piece); found != std::string::npos;
       found = text.find(piece, from)) {
    kept.append(text, from, found - from);
    from = found + piece.size();
  }
  kept.append(text, from, std::string::npos);
  return kept;
}

std::string TrimSpaces(std::string_view text) {
  const std::size_t first = text.find_first_not_of(' ');
  if (first == std::string_view::npos)
    return {};
  const std::size_t last = text.find_last_not_of(' ');
  return std::string(text.substr(first, last - first + 1));
}

bool IsDigit(char c) {
  return c >= '0' && c <= '9';
}

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
  text = RemoveEvery(std::move(text), "-");
  text = RemoveEvery(std::move(text), "(1 row affected)");
  for (const char line_control : {'\n', '\v', '\f', '\r'}) {
    text = RemoveEvery(std::move(text), std::string_view(&line_control, 1));
  }
  return TrimSpaces(text);
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

bool IsOldVersion(const std::string& version) {
  if (version.empty())
    return false;
  // osql's error texts begin with a letter; an unreadable answer counts as old.
  if (!IsDigit(version.front()))
    return true;
  int major = 0;
  for (std::size_t i = 0; i < version.size() && IsDigit(version[i]) && major < 8; ++i) {
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
