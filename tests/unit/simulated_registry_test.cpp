// The simulated registry answers as the Win32 registry does; the logic's tests rely on it.
#include "support/simulated_registry.h"

#include <gtest/gtest.h>

#include <string>

namespace quillset::testing {
namespace {

using namespace platform;
using namespace std::string_literals;

TEST(SimulatedRegistry, TwoPhaseQueryAndStatusNumbers) {
  SimulatedRegistry registry;
  registry.PutString(kHkeyLocalMachine, "SOFTWARE\\Q", "Name", "abc");
  RegistryKeyHandle key = 0;
  ASSERT_EQ(registry.OpenKey(kHkeyLocalMachine, "software\\q", kKeyRead, key), kErrorSuccess);

  std::uint32_t type = 0;
  std::uint32_t size = 0;
  EXPECT_EQ(registry.QueryValue(key, "NAME", type, nullptr, size), kErrorSuccess);
  EXPECT_EQ(type, kRegSz);
  EXPECT_EQ(size, 4u);

  char small[2] = {'x', 'x'};
  size = sizeof small;
  EXPECT_EQ(registry.QueryValue(key, "Name", type, small, size), kErrorMoreData);
  EXPECT_EQ(size, 4u);

  char buffer[8] = {};
  size = sizeof buffer;
  EXPECT_EQ(registry.QueryValue(key, "Name", type, buffer, size), kErrorSuccess);
  EXPECT_EQ(std::string(buffer, size), "abc\0"s);

  type = 99;
  size = 99;
  EXPECT_EQ(registry.QueryValue(key, "Missing", type, nullptr, size), kErrorFileNotFound);
  EXPECT_EQ(type, 99u);  // untouched on failure
  EXPECT_EQ(size, 99u);
  EXPECT_EQ(registry.QueryValue(0, "Name", type, nullptr, size), kErrorInvalidHandle);
  EXPECT_EQ(registry.OpenKey(kHkeyLocalMachine, "SOFTWARE\\Nope", kKeyRead, key),
            kErrorFileNotFound);
  EXPECT_EQ(registry.CloseKey(0x4711), kErrorInvalidHandle);
}

TEST(SimulatedRegistry, HandlesAreCountedUntilClosed) {
  SimulatedRegistry registry;
  registry.PutKey(kHkeyClassesRoot, "A\\B");
  RegistryKeyHandle first = 0;
  RegistryKeyHandle second = 0;
  ASSERT_EQ(registry.OpenKey(kHkeyClassesRoot, "A", kKeyRead, first), kErrorSuccess);
  ASSERT_EQ(registry.OpenKey(first, "b", kKeyRead, second), kErrorSuccess);  // relative
  EXPECT_NE(first, second);
  EXPECT_EQ(registry.open_handles(), 2);
  EXPECT_EQ(registry.CloseKey(first), kErrorSuccess);
  EXPECT_EQ(registry.CloseKey(first), kErrorInvalidHandle);
  EXPECT_EQ(registry.CloseKey(second), kErrorSuccess);
  EXPECT_EQ(registry.open_handles(), 0);
  EXPECT_EQ(registry.port_calls(), 5);
}

TEST(SimulatedRegistry, AccessRightsAndDeniedKeys) {
  SimulatedRegistry registry;
  registry.PutKey(kHkeyLocalMachine, "Locked\\Inner");
  registry.DenyAccess(kHkeyLocalMachine, "LOCKED");
  RegistryKeyHandle key = 0;
  EXPECT_EQ(registry.OpenKey(kHkeyLocalMachine, "Locked", kKeyRead, key), kErrorAccessDenied);
  EXPECT_EQ(registry.CreateKey(kHkeyLocalMachine, "Locked", kKeyWrite, key), kErrorAccessDenied);
  ASSERT_EQ(registry.OpenKey(kHkeyLocalMachine, "Locked\\Inner", kKeyQueryValue, key),
            kErrorSuccess);
  EXPECT_EQ(registry.SetValue(key, "v", kRegSz, "a", 2), kErrorAccessDenied);  // opened to read
  EXPECT_EQ(registry.CloseKey(key), kErrorSuccess);
  ASSERT_EQ(registry.CreateKey(kHkeyLocalMachine, "New\\Deep", kKeyWrite, key), kErrorSuccess);
  std::uint32_t type = 0;
  std::uint32_t size = 0;
  EXPECT_EQ(registry.QueryValue(key, "v", type, nullptr, size), kErrorAccessDenied);  // write only
  EXPECT_EQ(registry.SetValue(key, "V", kRegBinary, "\0\1", 2), kErrorSuccess);
  EXPECT_EQ(registry.CloseKey(key), kErrorSuccess);
  EXPECT_EQ(registry.GetValue(kHkeyLocalMachine, "new\\deep", "v"),
            (SimulatedRegistry::Value{kRegBinary, "\0\1"s}));
  EXPECT_EQ(registry.ValueNames(kHkeyLocalMachine, "New\\Deep"), std::vector<std::string>{"V"});
}

TEST(SimulatedRegistry, DeletedKeysAndValues) {
  SimulatedRegistry registry;
  registry.PutDword(kHkeyLocalMachine, "A\\B", "n", 7);
  RegistryKeyHandle key = 0;
  ASSERT_EQ(registry.OpenKey(kHkeyLocalMachine, "A\\B", kKeyRead, key), kErrorSuccess);
  registry.DeleteKey(kHkeyLocalMachine, "a");
  EXPECT_FALSE(registry.HasKey(kHkeyLocalMachine, "A\\B"));
  EXPECT_TRUE(registry.HasKey(kHkeyLocalMachine, ""));
  std::uint32_t type = 0;
  std::uint32_t size = 0;
  EXPECT_EQ(registry.QueryValue(key, "n", type, nullptr, size), 1018);  // ERROR_KEY_DELETED
  EXPECT_EQ(registry.CloseKey(key), kErrorSuccess);

  registry.PutString(kHkeyLocalMachine, "C", "x", "1");
  registry.DeleteValue(kHkeyLocalMachine, "C", "X");
  EXPECT_FALSE(registry.GetValue(kHkeyLocalMachine, "C", "x").has_value());
  EXPECT_TRUE(registry.HasKey(kHkeyLocalMachine, "C"));
}

TEST(SimulatedRegistry, LoadsRegText) {
  SimulatedRegistry registry;
  registry.PutString(kHkeyLocalMachine, "Old\\Sub", "x", "1");
  registry.PutString(kHkeyLocalMachine, "Keep", "gone", "1");
  registry.LoadRegText(
      "Windows Registry Editor Version 5.00\n\n"
      "[-HKEY_LOCAL_MACHINE\\Old]\n"
      "[HKEY_LOCAL_MACHINE\\Keep]\n"
      "\"gone\"=-\n"
      "\"multi\"=hex(7):41,00,00,00,00,00\n"
      "[HKEY_CLASSES_ROOT\\Installer\\Products\\X]\n"
      "\"ProductName\"=\"P\"\n");
  EXPECT_FALSE(registry.HasKey(kHkeyLocalMachine, "Old"));
  EXPECT_FALSE(registry.GetValue(kHkeyLocalMachine, "Keep", "gone").has_value());
  EXPECT_EQ(registry.GetValue(kHkeyLocalMachine, "Keep", "multi"),
            (SimulatedRegistry::Value{kRegMultiSz, "A\0\0"s}));
  EXPECT_EQ(registry.GetValue(kHkeyClassesRoot, "installer\\products\\x", "productname"),
            (SimulatedRegistry::Value{kRegSz, "P\0"s}));
  EXPECT_THROW(registry.LoadRegText("REGEDIT4\n[HKLM\\K\n"), std::invalid_argument);
}

}  // namespace
}  // namespace quillset::testing
