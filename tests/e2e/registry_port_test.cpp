// The Win32 registry and system ports against Wine's real registry, environment and automation
// objects. Registry work happens below a scratch key that each test creates and deletes.
#include <windows.h>
// After windows.h, which WIN32_LEAN_AND_MEAN keeps from bringing in COM.
#include <ole2.h>

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <thread>
#include <vector>

#include "app/startup_inventory.h"
#include "inspect/instance_inventory.h"
#include "inspect/package_detection.h"
#include "inspect/registry_access.h"
#include "platform/win32/ansi_text.h"
#include "platform/win32/handle.h"
#include "platform/win32/win32_registry.h"
#include "platform/win32/win32_system.h"
#include "support/reg_file.h"

namespace quillset {
namespace {

using namespace platform;
using namespace std::string_literals;
using win32::ScopedKey;
using win32::Win32Registry;
using win32::Win32System;

constexpr const wchar_t* kScratchW = L"Software\\quillset-tests\\registry-port";
constexpr const char* kScratch = "Software\\quillset-tests\\registry-port";

void DeleteTree(HKEY parent, const std::wstring& path) {
  ScopedKey key;
  if (RegOpenKeyExW(parent, path.c_str(), 0, KEY_READ | KEY_WRITE, key.receive()) !=
      ERROR_SUCCESS) {
    return;
  }
  for (;;) {
    wchar_t child[256];
    DWORD length = 256;
    if (RegEnumKeyExW(key.get(), 0, child, &length, nullptr, nullptr, nullptr, nullptr) !=
        ERROR_SUCCESS) {
      break;
    }
    DeleteTree(key.get(), child);
  }
  key.reset();
  RegDeleteKeyW(parent, path.c_str());
}

// The fixture folder beside this file, as Wine's drive Z: shows the build machine's files.
std::string FixturePath(const std::string& name) {
  std::string folder = __FILE__;
  folder = folder.substr(0, folder.find_last_of("/\\"));
  folder = folder.substr(0, folder.find_last_of("/\\"));
  if (!folder.empty() && folder.front() == '/')
    folder = "Z:" + folder;
  return folder + "/fixtures/" + name;
}

bool AnsiCodePageHasUmlauts() {
  const std::string ansi = win32::Utf8ToAnsi("ü");
  return ansi.size() == 1 && ansi != "?";
}

class Win32RegistryTest : public ::testing::Test {
 protected:
  void SetUp() override {
    DeleteTree(HKEY_CURRENT_USER, kScratchW);
    ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, kScratchW, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                              scratch_.receive(), nullptr),
              ERROR_SUCCESS);
  }
  void TearDown() override {
    scratch_.reset();
    DeleteTree(HKEY_CURRENT_USER, L"Software\\quillset-tests");
  }

  void SetWide(const wchar_t* name, DWORD type, const std::wstring& data) {
    ASSERT_EQ(
        RegSetValueExW(scratch_.get(), name, 0, type, reinterpret_cast<const BYTE*>(data.data()),
                       static_cast<DWORD>(data.size() * sizeof(wchar_t))),
        ERROR_SUCCESS);
  }
  std::wstring GetWide(const wchar_t* name, DWORD& type) {
    wchar_t buffer[256] = {};
    DWORD size = sizeof buffer;
    EXPECT_EQ(RegQueryValueExW(scratch_.get(), name, nullptr, &type,
                               reinterpret_cast<BYTE*>(buffer), &size),
              ERROR_SUCCESS);
    return std::wstring(buffer, size / sizeof(wchar_t));
  }

  Win32Registry registry_;
  ScopedKey scratch_;
};

TEST_F(Win32RegistryTest, StatusNumbersAndTheTwoPhaseRead) {
  SetWide(L"Name", REG_SZ, std::wstring(L"abc\0", 4));
  RegistryKeyHandle key = 0;
  EXPECT_EQ(registry_.OpenKey(kHkeyCurrentUser, std::string(kScratch) + "\\Missing", kKeyRead, key),
            kErrorFileNotFound);
  ASSERT_EQ(registry_.OpenKey(kHkeyCurrentUser, kScratch, kKeyRead, key), kErrorSuccess);

  std::uint32_t type = 0;
  std::uint32_t size = 0;
  EXPECT_EQ(registry_.QueryValue(key, "name", type, nullptr, size), kErrorSuccess);
  EXPECT_EQ(type, kRegSz);
  EXPECT_EQ(size, 4u);

  char small[2] = {'x', 'x'};
  size = sizeof small;
  EXPECT_EQ(registry_.QueryValue(key, "Name", type, small, size), kErrorMoreData);
  EXPECT_EQ(size, 4u);

  char buffer[16] = {};
  size = sizeof buffer;
  EXPECT_EQ(registry_.QueryValue(key, "Name", type, buffer, size), kErrorSuccess);
  EXPECT_EQ(std::string(buffer, size), "abc\0"s);

  type = 77;
  size = 77;
  EXPECT_EQ(registry_.QueryValue(key, "Missing", type, nullptr, size), kErrorFileNotFound);
  EXPECT_EQ(registry_.QueryValue(0, "Name", type, nullptr, size), kErrorInvalidHandle);
  EXPECT_EQ(registry_.CloseKey(key), kErrorSuccess);
}

TEST_F(Win32RegistryTest, TextWithUmlautsCrossesTheAnsiCodePage) {
  if (!AnsiCodePageHasUmlauts())
    GTEST_SKIP() << "ANSI code page " << GetACP() << " lacks ü";
  RegistryKeyHandle key = 0;
  ASSERT_EQ(registry_.CreateKey(kHkeyCurrentUser, std::string(kScratch) + "\\Schlüssel",
                                kKeyReadWriteCreateLink, key),
            kErrorSuccess);
  const std::string text = "Grüße\0"s;  // 8 bytes of UTF-8, 6 in the ANSI code page
  EXPECT_EQ(registry_.SetValue(key, "Wert ä", kRegSz, text.data(), 8), kErrorSuccess);

  std::uint32_t type = 0;
  std::uint32_t size = 0;
  EXPECT_EQ(registry_.QueryValue(key, "Wert ä", type, nullptr, size), kErrorSuccess);
  EXPECT_EQ(size, 8u);  // the size of the UTF-8 form
  char exact[8];
  size = 7;
  EXPECT_EQ(registry_.QueryValue(key, "Wert ä", type, exact, size), kErrorMoreData);
  EXPECT_EQ(size, 8u);
  size = sizeof exact;
  EXPECT_EQ(registry_.QueryValue(key, "Wert ä", type, exact, size), kErrorSuccess);
  EXPECT_EQ(std::string(exact, size), text);
  EXPECT_EQ(registry_.CloseKey(key), kErrorSuccess);

  // What Windows itself holds: the same characters.
  ScopedKey wide;
  ASSERT_EQ(RegOpenKeyExW(scratch_.get(), L"Schl\u00fcssel", 0, KEY_READ, wide.receive()),
            ERROR_SUCCESS);
  wchar_t buffer[16] = {};
  DWORD wide_size = sizeof buffer;
  DWORD wide_type = 0;
  ASSERT_EQ(RegQueryValueExW(wide.get(), L"Wert \u00e4", nullptr, &wide_type,
                             reinterpret_cast<BYTE*>(buffer), &wide_size),
            ERROR_SUCCESS);
  EXPECT_EQ(std::wstring(buffer), L"Gr\u00fc\u00dfe");

  EXPECT_EQ(ReadRegistryValue(registry_, kHkeyCurrentUser, std::string(kScratch) + "\\Schlüssel",
                              "Wert ä"),
            "Grüße");
}

TEST_F(Win32RegistryTest, MultiStringBytesAndTheLayerOnTop) {
  if (!AnsiCodePageHasUmlauts())
    GTEST_SKIP() << "ANSI code page " << GetACP() << " lacks Ö";
  SetWide(L"InstalledInstances", REG_MULTI_SZ, std::wstring(L"MSSQLSERVER\0GL\u00d6BANA\0\0", 21));
  RegistryKeyHandle key = 0;
  ASSERT_EQ(registry_.OpenKey(kHkeyCurrentUser, kScratch, kKeyRead, key), kErrorSuccess);
  std::uint32_t type = 0;
  char buffer[64] = {};
  std::uint32_t size = sizeof buffer;
  EXPECT_EQ(registry_.QueryValue(key, "InstalledInstances", type, buffer, size), kErrorSuccess);
  EXPECT_EQ(type, kRegMultiSz);
  EXPECT_EQ(std::string(buffer, size), "MSSQLSERVER\0GLÖBANA\0\0"s);
  EXPECT_EQ(registry_.CloseKey(key), kErrorSuccess);

  EXPECT_EQ(ReadRegistryText(registry_, kHkeyCurrentUser, kScratch, "InstalledInstances"),
            "MSSQLSERVER\0GLÖBANA\0"s);
  EXPECT_EQ(InstanceListFromRegistryText(
                ReadRegistryText(registry_, kHkeyCurrentUser, kScratch, "InstalledInstances"))[2],
            "GLÖBANA");
}

TEST_F(Win32RegistryTest, WritesThroughTheLayerAsWindowsStoresThem) {
  RegistryKey key(registry_);
  ASSERT_EQ(key.Open(kHkeyCurrentUser, kScratch, kKeyWrite | kKeyRead), kErrorSuccess);
  EXPECT_EQ(SetKeyValue(key, "Alias", kRegSz, RegistryValue::FromText("DBMSSOCN,PC\\GLOBANA")),
            kErrorSuccess);
  EXPECT_EQ(SetKeyValue(key, "Number", kRegDword, RegistryValue::FromNumber(-2)), kErrorSuccess);
  EXPECT_EQ(SetKeyValue(key, "Binary", kRegBinary, RegistryValue::FromText("x")), kErrorSuccess);

  DWORD type = 0;
  EXPECT_EQ(GetWide(L"Alias", type), std::wstring(L"DBMSSOCN,PC\\GLOBANA\0", 20));
  EXPECT_EQ(type, static_cast<DWORD>(REG_SZ));
  DWORD number = 0;
  DWORD size = sizeof number;
  ASSERT_EQ(RegQueryValueExW(scratch_.get(), L"Number", nullptr, &type,
                             reinterpret_cast<BYTE*>(&number), &size),
            ERROR_SUCCESS);
  EXPECT_EQ(type, static_cast<DWORD>(REG_DWORD));
  EXPECT_EQ(number, 0xFFFFFFFEu);
  EXPECT_EQ(RegQueryValueExW(scratch_.get(), L"Binary", nullptr, nullptr, nullptr, nullptr),
            ERROR_FILE_NOT_FOUND);

  RegistryValue value;
  EXPECT_EQ(QueryKeyValue(key, "Number", value), kErrorSuccess);
  EXPECT_EQ(value, RegistryValue::FromNumber(-2));
  EXPECT_EQ(QueryKeyValue(key, "Missing", value), kErrorFileNotFound);
}

TEST_F(Win32RegistryTest, BinaryAndLargeValuesPassUnchanged) {
  std::string bytes;
  for (int i = 0; i < 256; ++i)
    bytes += static_cast<char>(i);
  std::string large(1 << 20, '\xC4');
  RegistryKeyHandle key = 0;
  ASSERT_EQ(registry_.OpenKey(kHkeyCurrentUser, kScratch, kKeyRead | kKeyWrite, key),
            kErrorSuccess);
  EXPECT_EQ(registry_.SetValue(key, "Bytes", kRegBinary, bytes.data(), 256), kErrorSuccess);
  EXPECT_EQ(registry_.SetValue(key, "Large", kRegBinary, large.data(),
                               static_cast<std::uint32_t>(large.size())),
            kErrorSuccess);

  std::string read(256, '\0');
  std::uint32_t type = 0;
  std::uint32_t size = 256;
  EXPECT_EQ(registry_.QueryValue(key, "Bytes", type, read.data(), size), kErrorSuccess);
  EXPECT_EQ(type, kRegBinary);
  EXPECT_EQ(read, bytes);
  BYTE raw[256] = {};
  DWORD raw_size = sizeof raw;
  ASSERT_EQ(RegQueryValueExW(scratch_.get(), L"Bytes", nullptr, nullptr, raw, &raw_size),
            ERROR_SUCCESS);
  EXPECT_EQ(std::string(reinterpret_cast<char*>(raw), raw_size), bytes);

  size = 0;
  EXPECT_EQ(registry_.QueryValue(key, "Large", type, nullptr, size), kErrorSuccess);
  EXPECT_EQ(size, large.size());
  std::string large_read(size, '\0');
  EXPECT_EQ(registry_.QueryValue(key, "Large", type, large_read.data(), size), kErrorSuccess);
  EXPECT_EQ(large_read, large);
  EXPECT_EQ(registry_.CloseKey(key), kErrorSuccess);
}

TEST_F(Win32RegistryTest, CreateRegistryKeyKeepsAnExistingKey) {
  SetWide(L"Kept", REG_SZ, std::wstring(L"1\0", 2));
  CreateRegistryKey(registry_, kScratch, kHkeyCurrentUser);
  CreateRegistryKey(registry_, std::string(kScratch) + "\\Client\\ConnectTo", kHkeyCurrentUser);
  DWORD type = 0;
  EXPECT_EQ(GetWide(L"Kept", type), std::wstring(L"1\0", 2));
  ScopedKey created;
  EXPECT_EQ(RegOpenKeyExW(scratch_.get(), L"client\\connectto", 0, KEY_READ, created.receive()),
            ERROR_SUCCESS);
}

// Sends the roots the inventory reads to subkeys of the scratch key, so that whole fixture
// machines can be laid out in the real registry without touching the prefix's own keys.
class ScratchRootedRegistry : public RegistryPort {
 public:
  explicit ScratchRootedRegistry(Win32Registry& real) : real_(real) {}
  static std::string Prefix(RegistryKeyHandle root) {
    const char* name = root == kHkeyLocalMachine  ? "HKLM"
                       : root == kHkeyClassesRoot ? "HKCR"
                                                  : "HKCU";
    return std::string(kScratch) + "\\" + name;
  }
  static std::string Redirected(RegistryKeyHandle root, const std::string& path) {
    return path.empty() ? Prefix(root) : Prefix(root) + "\\" + path;
  }
  std::int32_t OpenKey(RegistryKeyHandle root, const std::string& path, std::uint32_t access,
                       RegistryKeyHandle& key) override {
    return real_.OpenKey(kHkeyCurrentUser, Redirected(root, path), access, key);
  }
  std::int32_t CreateKey(RegistryKeyHandle root, const std::string& path, std::uint32_t access,
                         RegistryKeyHandle& key) override {
    return real_.CreateKey(kHkeyCurrentUser, Redirected(root, path), access, key);
  }
  std::int32_t QueryValue(RegistryKeyHandle key, const std::string& name, std::uint32_t& type,
                          char* data, std::uint32_t& size) override {
    return real_.QueryValue(key, name, type, data, size);
  }
  std::int32_t SetValue(RegistryKeyHandle key, const std::string& name, std::uint32_t type,
                        const char* data, std::uint32_t size) override {
    return real_.SetValue(key, name, type, data, size);
  }
  std::int32_t CloseKey(RegistryKeyHandle key) override { return real_.CloseKey(key); }

 private:
  Win32Registry& real_;
};

void ApplyFixture(RegistryPort& registry, const std::string& file) {
  for (const testing::RegOperation& operation :
       testing::ParseRegText(testing::ReadRegFileAsUtf8(FixturePath(file)))) {
    RegistryKey key(registry);
    ASSERT_EQ(key.Create(operation.root, operation.path, kKeyReadWriteCreateLink), kErrorSuccess);
    if (operation.kind == testing::RegOperationKind::SetValue) {
      ASSERT_EQ(
          registry.SetValue(key.handle(), operation.name, operation.type, operation.data.data(),
                            static_cast<std::uint32_t>(operation.data.size())),
          kErrorSuccess);
    }
  }
}

TEST_F(Win32RegistryTest, InventoryOfFixtureMachinesInTheRealRegistry) {
  ScratchRootedRegistry rooted(registry_);
  Win32System system;

  MainWindowState empty;
  TakeStartupInventory(rooted, system, empty);
  EXPECT_EQ(empty.InstanceCount, 0);
  EXPECT_EQ(empty.FoundPackages, PackageList{});

  ApplyFixture(rooted, "machine_two_instances.reg");
  MainWindowState two;
  TakeStartupInventory(rooted, system, two);
  EXPECT_EQ(two.InstanceCount, 2);
  EXPECT_EQ(two.InstanceNames[1], "MSSQLSERVER");
  EXPECT_EQ(two.InstanceNames[2], "GLOBANA");
  EXPECT_EQ(two.FoundPackages[1], "1");
  EXPECT_EQ(two.FoundPackages[2], "2");
  EXPECT_EQ(two.FoundPackages[3], "");
  EXPECT_FALSE(IsInstanceNameFree(rooted, "GLOBANA"));
  EXPECT_TRUE(IsInstanceNameFree(rooted, "Globana"));

  ApplyFixture(rooted, "machine_sixteen.reg");
  MainWindowState sixteen;
  TakeStartupInventory(rooted, system, sixteen);
  EXPECT_EQ(sixteen.InstanceCount, 16);
  for (int slot = 1; slot <= 16; ++slot) {
    EXPECT_EQ(sixteen.FoundPackages[static_cast<std::size_t>(slot)], std::to_string(slot));
  }
  EXPECT_FALSE(sixteen.ComputerName.empty());
}

class Win32SystemTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)));
  }
  void TearDown() override { CoUninitialize(); }
  Win32System system_;
};

TEST_F(Win32SystemTest, EnvironmentListsAVariableTheTestSet) {
  ASSERT_TRUE(SetEnvironmentVariableW(L"QUILLSET_TEST_VARIABLE", L"Gr\u00fc\u00dfe = 1"));
  const std::vector<std::string> entries = system_.EnvironmentEntries();
  int found = 0;
  for (const std::string& entry : entries) {
    if (entry == "QUILLSET_TEST_VARIABLE=Grüße = 1")
      ++found;
    EXPECT_FALSE(entry.empty());
  }
  EXPECT_EQ(found, 1);
  SetEnvironmentVariableW(L"QUILLSET_TEST_VARIABLE", nullptr);
  for (const std::string& entry : system_.EnvironmentEntries()) {
    EXPECT_EQ(entry.rfind("QUILLSET_TEST_VARIABLE=", 0), std::string::npos);
  }
}

TEST_F(Win32SystemTest, ComputerNameRespectsTheBuffer) {
  char buffer[256] = {};
  std::uint32_t size = sizeof buffer;
  ASSERT_TRUE(system_.GetComputerNameA(buffer, size));
  EXPECT_GT(size, 0u);
  EXPECT_EQ(std::string(buffer).size(), size);
  char expected[MAX_COMPUTERNAME_LENGTH + 1] = {};
  DWORD expected_size = sizeof expected;
  ASSERT_TRUE(::GetComputerNameA(expected, &expected_size));
  EXPECT_EQ(std::string(buffer), win32::AnsiToUtf8(expected));

  char small[2] = {'x', 'x'};
  std::uint32_t small_size = sizeof small;
  EXPECT_FALSE(system_.GetComputerNameA(small, small_size));
  EXPECT_EQ(small[0], 'x');
  EXPECT_EQ(small[1], 'x');
  EXPECT_EQ(GetLocalComputerName(system_), std::string(buffer));
}

TEST_F(Win32SystemTest, ProgramFolderIsTheRunnersFolder) {
  const std::string folder = system_.ProgramFolder();
  ASSERT_GE(folder.size(), 4u);
  EXPECT_EQ(folder.substr(folder.size() - 4), "\\e2e");
  const std::wstring runner = win32::Utf8ToWide(folder) + L"\\quillset_e2e.exe";
  EXPECT_NE(GetFileAttributesW(runner.c_str()), INVALID_FILE_ATTRIBUTES);
  EXPECT_TRUE(system_.FolderExists(folder));
}

TEST_F(Win32SystemTest, FolderExists) {
  wchar_t temp[MAX_PATH] = {};
  ASSERT_GT(GetTempPathW(MAX_PATH, temp), 0u);
  const std::wstring folder = std::wstring(temp) + L"quillset Ordner";
  const std::wstring file = std::wstring(temp) + L"quillset-file.txt";
  RemoveDirectoryW(folder.c_str());
  ASSERT_TRUE(CreateDirectoryW(folder.c_str(), nullptr));
  win32::ScopedFile handle(CreateFileW(file.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                       FILE_ATTRIBUTE_NORMAL, nullptr));
  ASSERT_TRUE(handle);
  handle.reset();

  const std::string utf8_folder = win32::WideToUtf8(folder);
  std::string upper = utf8_folder;
  for (char& c : upper) {
    if (c >= 'a' && c <= 'z')
      c = static_cast<char>(c - 'a' + 'A');
  }
  EXPECT_TRUE(system_.FolderExists(utf8_folder));
  EXPECT_TRUE(system_.FolderExists(upper));
  EXPECT_TRUE(system_.FolderExists(utf8_folder + "\\"));
  EXPECT_FALSE(system_.FolderExists(utf8_folder + "\\missing"));
  EXPECT_FALSE(system_.FolderExists(win32::WideToUtf8(file)));
  EXPECT_FALSE(system_.FolderExists(""));

  DeleteFileW(file.c_str());
  RemoveDirectoryW(folder.c_str());
  EXPECT_FALSE(system_.FolderExists(utf8_folder));
}

TEST_F(Win32SystemTest, FolderExistsWithAnUmlaut) {
  wchar_t temp[MAX_PATH] = {};
  ASSERT_GT(GetTempPathW(MAX_PATH, temp), 0u);
  const std::wstring folder = std::wstring(temp) + L"quillset \u00c4nderung";
  RemoveDirectoryW(folder.c_str());
  // Wine stores names in the Unix locale's character set; a C locale has no umlauts.
  if (!CreateDirectoryW(folder.c_str(), nullptr))
    GTEST_SKIP() << "no umlauts in file names here";
  const std::string utf8_folder = win32::WideToUtf8(folder);
  EXPECT_TRUE(system_.FolderExists(utf8_folder));
  RemoveDirectoryW(folder.c_str());
  EXPECT_FALSE(system_.FolderExists(utf8_folder));
}

// COM is set up per thread: a fresh thread has none, as a program that forgot to initialise it.
TEST(Win32SystemWithoutCom, FolderTestFailsWithTheComponentNumber) {
  std::int32_t number = 0;
  std::thread([&] {
    Win32System system;
    try {
      (void)system.FolderExists("C:\\");
    } catch (const PlatformFailure& failure) {
      number = failure.number();
    }
  }).join();
  EXPECT_EQ(number, kFailureCannotCreateComponent);
}

}  // namespace
}  // namespace quillset
