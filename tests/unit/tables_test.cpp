// The native tests, from the two tables: every rule of the logic (tests/rules.txt; this file says
// how each rule is called and how its answer is written down), and every machine of
// tests/machines.txt on the simulated workstation. Then the fuzzer's seeds.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <map>

#include "app/command_line.h"
#include "fuzz/properties.h"
#include "inspect/instance_inventory.h"
#include "inspect/instance_name_rule.h"
#include "inspect/package_detection.h"
#include "inspect/registry_access.h"
#include "inspect/server_probes.h"
#include "inspect/service_checks.h"
#include "inspect/text_rules.h"
#include "install/client_alias.h"
#include "install/environment.h"
#include "install/setup_command.h"
#include "report/system_report.h"
#include "support/simulated_machine.h"

namespace quillset::testing {
namespace {

using Args = std::vector<std::string>;
using platform::kHkeyLocalMachine;

std::string YesNo(bool yes) {
  return yes ? "yes" : "no";
}

// Package slots from numbers: "1 2" installs packages 1 and 2.
PackageList Packages(const std::string& numbers) {
  PackageList packages{};
  for (const std::string& number : Split(numbers, " "))
    packages.at(number.empty() ? 0 : std::stoi(number)) = number;
  return packages;
}

const std::map<std::string, std::function<std::string(const Args&)>> kRules = {
    {"trim blanks", [](const Args& a) { return TrimBlanks(a[0]); }},
    {"leading number", [](const Args& a) { return std::to_string(LeadingNumber(a[0])); }},
    {"sign blank", [](const Args& a) { return WithSignBlank(std::stoll(a[0])); }},
    {"remove all", [](const Args& a) { return RemoveAll(a[0], a[1]); }},
    {"instance walk",
     [](const Args& a) {
       const InstanceList list = InstanceListFromRegistryText(a[0]);
       std::string names;
       for (int slot = kFirstSlot; slot <= kLastSlot; ++slot)
         names += list[slot] + ",";
       return list[0] + names.erase(names.find_last_not_of(',') + 1);  // slot 0 stays empty
     }},
    {"instances",
     [](const Args& a) {
       SimulatedMachine machine(Row{"", {{"instances", a[0]}}});
       return std::to_string(CountInstalledInstances(GetInstalledInstances(machine))) + ", " +
              a[1] + " free: " + YesNo(IsInstanceNameFree(machine, a[1]));
     }},
    {"registry",
     [](const Args& a) {
       SimulatedMachine machine(Row{"", {{"reg", "[HKEY_LOCAL_MACHINE\\T]{LF}" + a[0]}}});
       const RegistryValue value = ReadRegistryValue(machine, kHkeyLocalMachine, "T", "v");
       return ReadRegistryText(machine, kHkeyLocalMachine, "T", "v") + " / " +
              (value.IsEmpty() ? "empty" : (value.IsText() ? "text " : "number ") + value.ToText());
     }},
    {"instance name", [](const Args& a) { return YesNo(IsValidInstanceName(a[0])); }},
    {"old version", [](const Args& a) { return YesNo(IsOldVersion(a[0])); }},
    {"judged servers",
     [](const Args& a) {
       ServerInfoTable servers{};
       for (std::size_t i = 0; i < a.size(); ++i) {
         const Args fields = Split(a[i], ",");
         servers.at(i + 1) = ServerInfo{fields[0], fields[1], fields[2]};
       }
       const auto name = [](const ServerInfo& s) {
         return s.ServerName.empty() ? "-" : s.ServerName;
       };
       return "old " + name(FindOldVersionServer(servers)) + ", other " +
              name(FindNonDesktopServer(servers));
     }},
    {"server name", [](const Args& a) { return ServerNameOf(a[0], a[1]); }},
    {"instance service",
     [](const Args& a) { return YesNo(ListingShowsInstanceService(a[0], a[1])); }},
    {"server service", [](const Args& a) { return YesNo(ListingShowsService(a[0], a[1])); }},
    {"service checks",
     [](const Args& a) {
       SimulatedMachine machine(Row{"", {{"no", "net"}}});
       if (a[2] != "-")
         machine.consoles["NET START"] = machine.consoles["net start"] =
             Args(a.begin() + 2, a.end());
       machine.SetText(a[0]);
       const std::string instance = YesNo(IsInstanceServiceStarted({machine, machine}, a[1]));
       machine.SetText(a[0]);
       return "instance " + instance + ", server " +
              YesNo(IsServiceStarted({machine, machine}, " Server"));
     }},
    {"clean osql", [](const Args& a) { return CleanOsqlAnswer(a[0]); }},
    {"environment",
     [](const Args& a) {
       SimulatedMachine machine(
           Row{"", {{"env", "-TEMP, -ProgramFiles, " + ReplaceAll(a[1], "\n", ", ")}}});
       return GetEnvironmentValue(machine, a[0]);
     }},
    {"setup command",
     [](const Args& a) {
       try {
         return SetupCommandLine(a[0], a[1], a[2], a[3], ChooseFreePackageNumber(Packages(a[4])),
                                 a.size() > 5 && a[5] == "quiet");
       } catch (const platform::PlatformFailure& failure) {
         return "failure " + std::to_string(failure.number());
       }
     }},
    {"alias bytes",
     [](const Args& a) {
       SimulatedMachine m(Row{"", {{"reg", "[HKEY_LOCAL_MACHINE\\T]{LF}" + a.back()}}});
       const std::string status = std::to_string(RegisterClientAlias(m, a[0])) + ", ";
       return status + ReadRegistryText(m, kHkeyLocalMachine, kClientAliasKey, kClientAliasName);
     }},
    {"alias data", [](const Args& a) { return ClientAliasData(a[0]); }},
    {"installer key", [](const Args& a) { return InstallerProductKeyPath(a[0]); }},
    {"console output",
     [](const Args& a) {
       SimulatedMachine machine(Row{});
       machine.consoles["prog"] = Args(a.begin() + 2, a.end());  // any other program cannot start
       machine.SetText(a[0]);
       RunCommandToTextBox(CommandConsole{machine, machine}, a[1]);
       return machine.Text();
     }},
    {"argument splitting",
     [](const Args& a) {
       std::string said;
       for (const std::string& argument : SplitCommandLine(a[0]))
         said += "[" + argument + "]";
       return said;
     }},
    {"command line",
     [](const Args& a) {
       const CommandLine c = ReadCommandLine("quillset.exe " + a[0]);
       std::string said;
       for (const auto& [given, text] : {std::pair{c.invalid, "invalid " + c.bad_argument},
                                         {c.quiet, "quiet"},
                                         {c.help, "help"},
                                         {c.has_log, "log " + c.log_path},
                                         {c.has_instance, "instance " + c.instance}})
         said += given ? (said.empty() ? "" : ", ") + text : "";
       return said.empty() ? "-" : said;
     }},
    {"report packages",
     [](const Args& a) {
       Inventory inventory;
       std::copy(a.begin(), a.end(), inventory.FoundPackages.begin() + 1);
       const std::string report = BuildSystemReport(inventory);
       return report.substr(report.rfind(": \n") + 3);
     }},
};

class Rules : public ::testing::TestWithParam<Row> {};

TEST_P(Rules, EveryCaseGivesWhatTheTableSays) {
  const Row& row = GetParam();
  const auto& rule = kRules.at(row.name);
  for (const auto& [key, text] : row.fields) {
    const std::size_t arrow = text.find(" =>");
    Args arguments;
    for (const std::string& argument : Split(text.substr(0, arrow), " | "))
      arguments.push_back(Unescape(argument));
    const std::string answer = text.substr(arrow + 3);
    EXPECT_EQ(rule(arguments), Unescape(answer.starts_with(" ") ? answer.substr(1) : answer))
        << "case: " << text;
  }
}

INSTANTIATE_TEST_SUITE_P(Table, Rules, ::testing::ValuesIn(ReadTable(QUILLSET_TABLES "/rules.txt")),
                         RowTestName);

class Machines : public ::testing::TestWithParam<Row> {};

TEST_P(Machines, RunAsTheTableSays) {
  SimulatedMachine machine(GetParam());
  ExpectOutcome(GetParam(), machine.Run(), SimulatedMachine::kComputer);
}

INSTANTIATE_TEST_SUITE_P(Table, Machines, ::testing::ValuesIn(MachineRows("native")), RowTestName);

// Every seed and kept finding of the fuzzer still holds its properties.
TEST(FuzzSeeds, HoldTheirProperties) {
  for (const auto& entry : std::filesystem::recursive_directory_iterator(QUILLSET_FUZZ_SEEDS)) {
    if (!entry.is_regular_file())
      continue;
    std::ifstream file(entry.path(), std::ios::binary);
    const std::string input((std::istreambuf_iterator<char>(file)), {});
    EXPECT_NO_THROW(
        fuzz::CheckInput(reinterpret_cast<const std::uint8_t*>(input.data()), input.size()))
        << entry.path();
  }
}

}  // namespace
}  // namespace quillset::testing
