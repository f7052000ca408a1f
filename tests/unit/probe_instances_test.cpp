// ProbeInstances: which slots of the table it fills, with what, and what it leaves alone.
#include <gtest/gtest.h>

#include <map>
#include <optional>
#include <string>
#include <vector>

#include "inspect/server_probes.h"
#include "support/recording_window.h"
#include "support/simulated_processes.h"
#include "support/simulated_registry.h"

namespace quillset {
namespace {

using platform::kHkeyLocalMachine;
using testing::ConsoleScript;
using testing::RecordingTextBox;
using testing::SimulatedProcesses;
using testing::SimulatedRegistry;

constexpr const char* kSqlServerKey = "SOFTWARE\\Microsoft\\Microsoft SQL Server";

std::string OsqlAnswer(const std::string& value) {
  std::string padded = value;
  padded.resize(20, ' ');
  return " " + std::string(20, ' ') + "\r\n " + std::string(20, '-') + "\r\n " + padded +
         "\r\n\r\n(1 row affected)\r\n";
}

std::string Edition(const std::string& server) {
  return OsqlCommandLine(server, " SELECT CONVERT(char(20), SERVERPROPERTY('edition'))");
}
std::string Version(const std::string& server) {
  return OsqlCommandLine(server, " SELECT CONVERT(char(20), SERVERPROPERTY('productVersion'))");
}

// A machine with instances in the registry, services that net lists, and osql answers.
struct Machine {
  SimulatedRegistry registry;
  SimulatedProcesses processes;
  RecordingTextBox box;
  std::vector<std::string> started_services;
  std::map<std::string, std::string> osql;

  Machine() {
    processes.console_programs = [this](const std::string& command) {
      if (command == "NET START") {
        std::string listing = "These Windows services are started:\r\n\r\n";
        for (const std::string& service : started_services)
          listing += "   " + service + "\r\n";
        return std::optional<ConsoleScript>(ConsoleScript{{listing + "\r\n"}});
      }
      const auto found = osql.find(command);
      if (found == osql.end())
        return std::optional<ConsoleScript>();
      return std::optional<ConsoleScript>(ConsoleScript{{found->second}});
    };
  }
  void Instances(const std::vector<std::string>& names) {
    registry.PutMultiString(kHkeyLocalMachine, kSqlServerKey, "InstalledInstances", names);
  }
  void Answers(const std::string& server, const std::string& edition, const std::string& version) {
    osql[Edition(server)] = OsqlAnswer(edition);
    osql[Version(server)] = OsqlAnswer(version);
  }
  ServerInfoTable Probe(const std::string& computer_name, ServerInfoTable table = {}) {
    ProbeInstances(registry, {processes, box}, computer_name, table);
    return table;
  }
};

TEST(ProbeInstances, TheDefaultInstanceIsReachedUnderTheBareComputerName) {
  Machine machine;
  machine.Instances({"MSSQLSERVER"});
  machine.started_services = {"MSSQLSERVER"};
  machine.Answers("PC", "Desktop Engine", "8.00.194");
  const ServerInfoTable table = machine.Probe("PC");
  EXPECT_EQ(table[1], (ServerInfo{"PC", "Desktop Engine", "8.00.194"}));
  EXPECT_EQ(machine.processes.console_command_lines(),
            (std::vector<std::string>{"NET START", Edition("PC"), Version("PC")}));
  EXPECT_EQ(machine.registry.open_handles(), 0);
}

TEST(ProbeInstances, FillsOnlyTheSlotsOfNamedInstances) {
  Machine machine;
  machine.Instances({"", "", "GLOBANA"});
  machine.started_services = {"MSSQL$GLOBANA"};
  machine.Answers("PC\\GLOBANA", "Desktop Engine", "8.00.760");
  ServerInfoTable before;
  before[1] = {"OLD\\ONE", "Standard Edition", "8.00.194"};
  before[5] = {"OLD\\FIVE", "Desktop Engine", "7.00.623"};
  ServerInfoTable expected = before;
  expected[3] = {"PC\\GLOBANA", "Desktop Engine", "8.00.760"};
  EXPECT_EQ(machine.Probe("PC", before), expected);
}

TEST(ProbeInstances, AnInstanceWhoseServiceIsNotStartedIsNotAsked) {
  Machine machine;
  machine.Instances({"GLOBANA", "KORA"});
  machine.started_services = {"MSSQL$KORA"};
  machine.Answers("PC\\KORA", "Standard Edition", "8.00.2039");
  const ServerInfoTable table = machine.Probe("PC");
  EXPECT_EQ(table[1], (ServerInfo{"PC\\GLOBANA", "", ""}));
  EXPECT_EQ(table[2], (ServerInfo{"PC\\KORA", "Standard Edition", "8.00.2039"}));
  EXPECT_EQ(machine.processes.console_command_lines(),
            (std::vector<std::string>{"NET START", "NET START", Edition("PC\\KORA"),
                                      Version("PC\\KORA")}));
}

TEST(ProbeInstances, ServerNamesFollowTheInstanceNameExactly) {
  Machine machine;
  machine.Instances({"MSSQLServer", "MSSQLSERVER"});
  const ServerInfoTable table = machine.Probe("PC");
  EXPECT_EQ(table[1].ServerName, "PC\\MSSQLServer");
  EXPECT_EQ(table[2].ServerName, "PC");
}

TEST(ProbeInstances, WithoutAComputerNameTheNamesLackIt) {
  Machine machine;
  machine.Instances({"MSSQLSERVER", "GLOBANA"});
  machine.started_services = {"MSSQL$GLOBANA"};
  machine.Answers("\\GLOBANA", "Desktop Engine", "8.00.194");
  const ServerInfoTable table = machine.Probe("");
  EXPECT_EQ(table[1], (ServerInfo{"", "", ""}));
  EXPECT_EQ(table[2], (ServerInfo{"\\GLOBANA", "Desktop Engine", "8.00.194"}));
}

TEST(ProbeInstances, NoInstancesLeaveTheTableAndTheBoxAlone) {
  Machine machine;
  ServerInfoTable before;
  before[2] = {"PC\\GLOBANA", "Desktop Engine", "8.00.194"};
  EXPECT_EQ(machine.Probe("PC", before), before);
  EXPECT_TRUE(machine.processes.console_command_lines().empty());
  EXPECT_EQ(machine.box.Text(), "Text1");
}

}  // namespace
}  // namespace quillset
