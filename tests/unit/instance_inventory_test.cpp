// The instance inventory: the walk over InstalledInstances, the count and the free-name test.
#include "inspect/instance_inventory.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/simulated_registry.h"

namespace quillset {
namespace {

using namespace platform;
using namespace std::string_literals;
using testing::SimulatedRegistry;

constexpr const char* kSqlServerKey = "SOFTWARE\\Microsoft\\Microsoft SQL Server";

// Slots 1.. as given, every other slot (0 included) empty.
InstanceList Slots(const std::vector<std::string>& names) {
  InstanceList list{};
  for (std::size_t i = 0; i < names.size(); ++i)
    list[i + 1] = names[i];
  return list;
}

std::vector<std::string> Numbered(int count) {
  std::vector<std::string> names;
  for (int i = 1; i <= count; ++i)
    names.push_back("I" + std::to_string(i));
  return names;
}

std::string Joined(const std::vector<std::string>& names) {
  std::string raw;
  for (const std::string& name : names)
    raw += name + '\0';
  return raw;
}

TEST(InstanceListFromRegistryText, Walk) {
  struct Case {
    const char* label;
    std::string raw;
    InstanceList expected;
  };
  const Case cases[] = {
      {"nothing", "", Slots({})},
      {"two names", "MSSQLSERVER\0GLOBANA\0"s, Slots({"MSSQLSERVER", "GLOBANA"})},
      {"empty entry uses a slot", "A\0\0B\0"s, Slots({"A", "", "B"})},
      {"only separators", "\0\0\0"s, Slots({})},
      {"name without NUL is dropped", "A\0B"s, Slots({"A"})},
      {"text without any NUL", "GLOBANA", Slots({})},
      {"blanks and tabs kept", " GLOBANA \0\tX\0"s, Slots({" GLOBANA ", "\tX"})},
      {"case kept", "Globana\0"s, Slots({"Globana"})},
      {"umlauts kept", "KÜCHE\0"s, Slots({"KÜCHE"})},
      {"sixteen names", Joined(Numbered(16)), Slots(Numbered(16))},
      {"seventeen names: the first sixteen", Joined(Numbered(17)), Slots(Numbered(16))},
      {"a hundred names: the first sixteen", Joined(Numbered(100)), Slots(Numbered(16))},
      {"seventeenth without NUL", Joined(Numbered(16)) + "X", Slots(Numbered(16))},
  };
  for (const Case& test : cases) {
    SCOPED_TRACE(test.label);
    EXPECT_EQ(InstanceListFromRegistryText(test.raw), test.expected);
  }
}

TEST(InstalledInstances, FromTheRegistryValue) {
  struct Case {
    const char* label;
    std::uint32_t type;
    std::string data;
    InstanceList names;
    std::int16_t count;
  };
  const Case cases[] = {
      {"two names", kRegMultiSz, "MSSQLSERVER\0GLOBANA\0\0"s, Slots({"MSSQLSERVER", "GLOBANA"}), 2},
      {"missing closing NUL drops the last name", kRegMultiSz, "MSSQLSERVER\0GLOBANA\0"s,
       Slots({"MSSQLSERVER"}), 1},
      {"empty entry", kRegMultiSz, "A\0\0B\0\0"s, Slots({"A", "", "B"}), 2},
      {"blank names count", kRegMultiSz, " \0GLOBANA \0\0"s, Slots({" ", "GLOBANA "}), 2},
      {"empty list", kRegMultiSz, "\0"s, Slots({}), 0},
      {"stored with 0 bytes", kRegMultiSz, "", Slots({}), 0},
      {"sixteen", kRegMultiSz, Joined(Numbered(16)) + '\0', Slots(Numbered(16)), 16},
      {"seventeen", kRegMultiSz, Joined(Numbered(17)) + '\0', Slots(Numbered(16)), 16},
      {"stored as REG_SZ", kRegSz, "MSSQLSERVER\0"s, Slots({}), 0},
      {"stored as REG_EXPAND_SZ", kRegExpandSz, "A\0B\0\0"s, Slots({}), 0},
      {"stored as REG_BINARY", kRegBinary, "A\0B\0\0"s, Slots({}), 0},
      {"stored as REG_DWORD", kRegDword, "A\0\0\0"s, Slots({}), 0},
  };
  for (const Case& test : cases) {
    SCOPED_TRACE(test.label);
    SimulatedRegistry registry;
    registry.PutValue(kHkeyLocalMachine, kSqlServerKey, "InstalledInstances", test.type, test.data);
    EXPECT_EQ(GetInstalledInstances(registry), test.names);
    EXPECT_EQ(CountInstalledInstances(registry), test.count);
    EXPECT_EQ(registry.open_handles(), 0);
  }
}

TEST(InstalledInstances, NoneWhenTheKeyIsMissingOrDenied) {
  SimulatedRegistry registry;
  EXPECT_EQ(GetInstalledInstances(registry), Slots({}));
  EXPECT_EQ(CountInstalledInstances(registry), 0);
  EXPECT_TRUE(IsInstanceNameFree(registry, "GLOBANA"));
  registry.PutMultiString(kHkeyLocalMachine, kSqlServerKey, "InstalledInstances", {"GLOBANA"});
  registry.DenyAccess(kHkeyLocalMachine, kSqlServerKey);
  EXPECT_EQ(CountInstalledInstances(registry), 0);
  EXPECT_TRUE(IsInstanceNameFree(registry, "GLOBANA"));
  EXPECT_EQ(registry.open_handles(), 0);
}

TEST(IsInstanceNameFree, ComparesTrimmedSlotsExactly) {
  struct Case {
    const char* label;
    std::vector<std::string> installed;
    std::string name;
    bool free;
  };
  const Case cases[] = {
      {"taken", {"MSSQLSERVER", "GLOBANA"}, "GLOBANA", false},
      {"case differs", {"MSSQLSERVER", "GLOBANA"}, "Globana", true},
      {"slot with blanks around", {" GLOBANA "}, "GLOBANA", false},
      {"tabs are not trimmed", {"\tGLOBANA"}, "GLOBANA", true},
      {"name with blanks is not trimmed", {"GLOBANA"}, " GLOBANA", true},
      {"other name", {"MSSQLSERVER"}, "GLOBANA", true},
      {"last of sixteen", Numbered(16), "I16", false},
      {"seventeenth is not looked at", Numbered(17), "I17", true},
      {"empty name with a free slot", {"A"}, "", false},
      {"empty name with all slots filled", Numbered(16), "", true},
  };
  for (const Case& test : cases) {
    SCOPED_TRACE(test.label);
    SimulatedRegistry registry;
    registry.PutMultiString(kHkeyLocalMachine, kSqlServerKey, "InstalledInstances", test.installed);
    EXPECT_EQ(IsInstanceNameFree(registry, test.name), test.free);
    EXPECT_EQ(registry.open_handles(), 0);
  }
}

TEST(InstalledInstances, EveryCallReadsAfresh) {
  SimulatedRegistry registry;
  EXPECT_EQ(CountInstalledInstances(registry), 0);
  registry.PutMultiString(kHkeyLocalMachine, kSqlServerKey, "InstalledInstances", {"GLOBANA"});
  EXPECT_EQ(CountInstalledInstances(registry), 1);
  EXPECT_FALSE(IsInstanceNameFree(registry, "GLOBANA"));
}

TEST(InstalledInstances, FixtureMachines) {
  SimulatedRegistry two;
  two.LoadRegFile(QUILLSET_FIXTURE_DIR "/machine_two_instances.reg");
  EXPECT_EQ(GetInstalledInstances(two), Slots({"MSSQLSERVER", "GLOBANA"}));

  SimulatedRegistry sixteen;
  sixteen.LoadRegFile(QUILLSET_FIXTURE_DIR "/machine_sixteen.reg");
  EXPECT_EQ(CountInstalledInstances(sixteen), 16);
  EXPECT_EQ(GetInstalledInstances(sixteen)[16], "INST16");

  SimulatedRegistry ansi;
  ansi.LoadRegFile(QUILLSET_FIXTURE_DIR "/machine_regedit4_ansi.reg");
  EXPECT_EQ(GetInstalledInstances(ansi), Slots({"KÜCHE", "GLOBANA"}));
}

}  // namespace
}  // namespace quillset
