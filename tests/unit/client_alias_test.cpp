// The client alias KORA_DB_ALIAS in the ConnectTo key.
#include "install/client_alias.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/simulated_registry.h"

namespace quillset {
namespace {

using platform::kHkeyLocalMachine;
using testing::SimulatedRegistry;

constexpr const char* kConnectTo = "SOFTWARE\\Microsoft\\MSSQLSERVER\\Client\\ConnectTo";

SimulatedRegistry::Value TextValue(const std::string& text) {
  return SimulatedRegistry::Value{platform::kRegSz, text + std::string(1, '\0')};
}

TEST(ClientAliasData, NamedPipeOfTheInstance) {
  EXPECT_EQ(ClientAliasData("GLOBANA"), "DBNMPNTW,\\\\.\\pipe\\MSSQL$GLOBANA\\sql\\query");
  EXPECT_EQ(ClientAliasData("TEST"), R"(DBNMPNTW,\\.\pipe\MSSQL$TEST\sql\query)");
}

TEST(RegisterClientAlias, CreatesTheKeyWhenMissing) {
  SimulatedRegistry registry;
  ASSERT_FALSE(registry.HasKey(kHkeyLocalMachine, kConnectTo));
  RegisterClientAlias(registry, "GLOBANA");
  EXPECT_EQ(registry.ValueNames(kHkeyLocalMachine, kConnectTo),
            std::vector<std::string>{"KORA_DB_ALIAS"});
  EXPECT_EQ(registry.GetValue(kHkeyLocalMachine, kConnectTo, "KORA_DB_ALIAS"),
            TextValue(R"(DBNMPNTW,\\.\pipe\MSSQL$GLOBANA\sql\query)"));
  EXPECT_EQ(registry.open_handles(), 0);
}

TEST(RegisterClientAlias, ReplacesTheAliasAndLeavesOtherAliasesAlone) {
  SimulatedRegistry registry;
  registry.PutString(kHkeyLocalMachine, kConnectTo, "KORA_DB_ALIAS", R"(DBMSSOCN,altserver,1433)");
  registry.PutString(kHkeyLocalMachine, kConnectTo, "LAGER", R"(DBNMPNTW,\\lager\pipe\sql\query)");
  registry.PutDword(kHkeyLocalMachine, kConnectTo, "Zahl", 7);
  RegisterClientAlias(registry, "TEST");
  EXPECT_EQ(registry.GetValue(kHkeyLocalMachine, kConnectTo, "KORA_DB_ALIAS"),
            TextValue(R"(DBNMPNTW,\\.\pipe\MSSQL$TEST\sql\query)"));
  EXPECT_EQ(registry.GetValue(kHkeyLocalMachine, kConnectTo, "LAGER"),
            TextValue(R"(DBNMPNTW,\\lager\pipe\sql\query)"));
  EXPECT_EQ(registry.GetValue(kHkeyLocalMachine, kConnectTo, "Zahl"),
            (SimulatedRegistry::Value{platform::kRegDword, std::string("\x07\0\0\0", 4)}));
  EXPECT_EQ(registry.open_handles(), 0);
}

TEST(RegisterClientAlias, DeniedKeyIsSilentlySkipped) {
  SimulatedRegistry registry;
  registry.PutKey(kHkeyLocalMachine, kConnectTo);
  registry.DenyAccess(kHkeyLocalMachine, kConnectTo);
  RegisterClientAlias(registry, "GLOBANA");
  EXPECT_FALSE(registry.GetValue(kHkeyLocalMachine, kConnectTo, "KORA_DB_ALIAS").has_value());
  EXPECT_EQ(registry.open_handles(), 0);
}

}  // namespace
}  // namespace quillset
