// What osql's answers become, and which probed server the "&Weiter" decision picks.
#include "inspect/server_probes.h"

#include <gtest/gtest.h>

#include <map>
#include <optional>
#include <string>

#include "inspect/service_checks.h"
#include "support/recording_window.h"
#include "support/simulated_processes.h"

namespace quillset {
namespace {

using testing::ConsoleScript;
using testing::RecordingTextBox;
using testing::SimulatedProcesses;

const std::string kVersionCommand =
    "osql -E -S PC\\GLOBANA -Q \" SELECT CONVERT(char(20), SERVERPROPERTY('productVersion'))\"";
const std::string kEditionCommand =
    "osql -E -S PC\\GLOBANA -Q \" SELECT CONVERT(char(20), SERVERPROPERTY('edition'))\"";

// osql's layout for one char(20) value: a heading without a column name, hyphens, the value
// padded to 20, an empty line and the row count.
std::string OsqlAnswer(const std::string& value) {
  std::string padded = value.substr(0, 20);
  padded.resize(20, ' ');
  return " " + std::string(20, ' ') + "\r\n " + std::string(20, '-') + "\r\n " + padded +
         "\r\n\r\n(1 row affected)\r\n";
}

TEST(OsqlCommandLine, QuotesTheQueryWithItsLeadingBlank) {
  EXPECT_EQ(OsqlCommandLine("PC", " SELECT 1"), "osql -E -S PC -Q \" SELECT 1\"");
  EXPECT_EQ(OsqlCommandLine("", ""), "osql -E -S  -Q \"\"");
}

struct CleanCase {
  const char* what;
  std::string answer;
  std::string value;
};

TEST(CleanOsqlAnswer, LeavesOnlyTheValue) {
  const CleanCase cases[] = {
      {"version", OsqlAnswer("8.00.194"), "8.00.194"},
      {"edition", OsqlAnswer("Desktop Engine"), "Desktop Engine"},
      {"exactly 20 characters", OsqlAnswer("Enterprise Evaluatio"), "Enterprise Evaluatio"},
      {"hyphens inside the value", OsqlAnswer("Standard-Edition"), "StandardEdition"},
      {"LF only", "\n--------\n8.00.760\n(1 row affected)\n", "8.00.760"},
      {"vertical tab and form feed", "\v9.00\f", "9.00"},
      {"a tab stays", "\t8.00\t  ", "\t8.00\t"},
      {"blanks inside stay", "  Desktop  Engine  ", "Desktop  Engine"},
      {"row count anywhere", "8.00(1 row affected).194", "8.00.194"},
      {"other row counts stay", "(2 rows affected)", "(2 rows affected)"},
      {"a hyphen splitting the row count goes first", "(1 row af-fected)", ""},
      {"error text", "[DBNETLIB]SQL Server does not exist or access denied.\r\n",
       "[DBNETLIB]SQL Server does not exist or access denied."},
      {"empty", "", ""},
      {"only blanks and line ends", " \r\n \r\n", ""},
  };
  for (const CleanCase& c : cases)
    EXPECT_EQ(CleanOsqlAnswer(c.answer), c.value) << c.what;
}

// A machine with osql answering per command line and net listing `net_listing`.
struct OsqlMachine {
  std::map<std::string, std::string> osql_output;
  bool osql_installed = true;
  std::string net_listing = "These Windows services are started:\r\n\r\n   MSSQL$GLOBANA\r\n";

  OsqlMachine() {
    processes.console_programs =
        [this](const std::string& command) -> std::optional<ConsoleScript> {
      if (command == "NET START")
        return ConsoleScript{{net_listing}};
      if (!osql_installed)
        return std::nullopt;
      const auto found = osql_output.find(command);
      if (found == osql_output.end())
        return ConsoleScript{};
      return ConsoleScript{{found->second}};
    };
  }
  CommandConsole console() { return {processes, box}; }

  SimulatedProcesses processes;
  RecordingTextBox box;
};

TEST(QueryServer, SendsEachQueryByteForByteAndCleansTheAnswer) {
  OsqlMachine machine;
  machine.osql_output[kVersionCommand] = OsqlAnswer("8.00.194");
  machine.osql_output[kEditionCommand] = OsqlAnswer("Desktop Engine");
  EXPECT_EQ(QueryServerEdition(machine.console(), "PC\\GLOBANA"), "Desktop Engine");
  EXPECT_EQ(QueryServerVersion(machine.console(), "PC\\GLOBANA"), "8.00.194");
  EXPECT_EQ(machine.processes.console_command_lines(),
            (std::vector<std::string>{kEditionCommand, kVersionCommand}));
}

TEST(QueryServer, AConnectionErrorOnStandardErrorBecomesTheAnswer) {
  OsqlMachine machine;
  machine.osql_output[kVersionCommand] =
      "[DBNETLIB]SQL Server does not exist or access denied.\r\n"
      "[DBNETLIB]ConnectionOpen (Connect()).\r\n";
  const std::string version = QueryServerVersion(machine.console(), "PC\\GLOBANA");
  EXPECT_EQ(version,
            "[DBNETLIB]SQL Server does not exist or access denied.[DBNETLIB]ConnectionOpen "
            "(Connect()).");
  EXPECT_TRUE(IsOldVersion(version));
}

TEST(QueryServer, WithoutOsqlTheNetListingOfTheServiceCheckIsCleaned) {
  OsqlMachine machine;
  machine.osql_installed = false;
  ASSERT_TRUE(IsInstanceServiceStarted(machine.console(), "GLOBANA"));
  EXPECT_EQ(QueryServerEdition(machine.console(), "PC\\GLOBANA"),
            "These Windows services are started:   MSSQL$GLOBANA");
}

TEST(ServerNameOf, BareComputerNameOnlyForTheDefaultInstance) {
  EXPECT_EQ(ServerNameOf("PC", "MSSQLSERVER"), "PC");
  EXPECT_EQ(ServerNameOf("PC", "GLOBANA"), "PC\\GLOBANA");
  EXPECT_EQ(ServerNameOf("PC", "MSSQLServer"), "PC\\MSSQLServer");
  EXPECT_EQ(ServerNameOf("", "MSSQLSERVER"), "");
  EXPECT_EQ(ServerNameOf("", "GLOBANA"), "\\GLOBANA");
}

TEST(IsOldVersion, ComparesTheWholeMajorVersion) {
  const struct {
    const char* version;
    bool old;
  } cases[] = {
      {"7.00.623", true},
      {"6.50.201", true},
      {"0.1", true},
      {"8.00.194", false},
      {"8", false},
      {"9.00", false},
      {"9.00.1399.06", false},
      {"10.50.1600.1", false},
      {"15.0.2000.5", false},
      {"123456789012345678901234567890", false},
      {"Msg 17, Level 16, State 1", true},
      {"[DBNETLIB]SQL Server does not exist", true},
      {".8", true},
      {"", false},
  };
  for (const auto& c : cases)
    EXPECT_EQ(IsOldVersion(c.version), c.old) << c.version;
}

ServerInfoTable TableOf(std::initializer_list<std::pair<int, ServerInfo>> slots) {
  ServerInfoTable table;
  for (const auto& [slot, info] : slots)
    table[static_cast<std::size_t>(slot)] = info;
  return table;
}

TEST(FindOldVersionServer, LowestNamedSlotWithAnOldVersion) {
  const ServerInfo old7{"PC\\A", "Desktop Engine", "7.00.623"};
  const ServerInfo old6{"PC\\B", "Standard Edition", "6.50"};
  EXPECT_EQ(FindOldVersionServer(TableOf({{3, old6}, {2, old7}})), old7);
  EXPECT_EQ(FindOldVersionServer(TableOf({{16, old6}})), old6);
  // Not started (empty version), unnamed, and current servers do not count.
  EXPECT_EQ(FindOldVersionServer(TableOf({{1, {"PC\\C", "", ""}},
                                          {2, {"", "Desktop Engine", "7.00"}},
                                          {3, {"PC", "Desktop Engine", "8.00.194"}},
                                          {4, {"PC\\D", "Express Edition", "10.50.1600.1"}}})),
            ServerInfo{});
  // Slot 0 is never a server.
  EXPECT_EQ(FindOldVersionServer(TableOf({{0, old7}})), ServerInfo{});
}

TEST(FindNonDesktopServer, LowestNamedSlotWithAnotherEdition) {
  const ServerInfo standard{"PC\\S", "Standard Edition", "8.00.194"};
  const ServerInfo cut{"PC\\E", "Enterprise Evaluatio", "8.00.194"};
  EXPECT_EQ(FindNonDesktopServer(TableOf({{5, cut}, {4, standard}})), standard);
  EXPECT_EQ(FindNonDesktopServer(TableOf({{1, {"PC", "desktop engine", "8.00"}}})),
            (ServerInfo{"PC", "desktop engine", "8.00"}));
  EXPECT_EQ(FindNonDesktopServer(TableOf({{1, {"PC", "Desktop Engine", "8.00"}},
                                          {2, {"PC\\B", "Desktop Edition", "8.00"}},
                                          {3, {"PC\\C", "", ""}},
                                          {4, {"", "Standard Edition", "8.00"}}})),
            ServerInfo{});
}

}  // namespace
}  // namespace quillset
