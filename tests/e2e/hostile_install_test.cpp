// Installations on hostile machines, with the stand-in MSDE setup: the assistant in a folder with
// blanks, in a drive's root, and a ConnectTo key that holds other aliases. Each ends with the
// success message; the registry holds what the setup and the assistant are meant to write, and
// nothing else changed.
#include <gtest/gtest.h>

#include <filesystem>
#include <iostream>
#include <string>
#include <vector>

#include "driver/expected_texts.h"
#include "driver/mapped_drive.h"
#include "hostile_machine.h"

namespace quillset::e2e {
namespace {

using platform::ControlId;

constexpr char kMssqlServerKey[] = "HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\MSSQLServer";
constexpr char kConnectToKey[] = "SOFTWARE\\Microsoft\\MSSQLServer\\Client\\ConnectTo";
constexpr char kAliasData[] = "DBNMPNTW,\\\\.\\pipe\\MSSQL$GLOBANA\\sql\\query";
constexpr char kPackage1[] = "{E09B48B5-E141-427A-AB0C-D3605127224A}";

class HostileInstall : public HostileMachine {
 protected:
  HostileInstall()
      : HostileMachine(
            {.setup_exe = true,
             .setup_ini_text = "[Options]\r\n[quillset-standin]\r\nDelaySeconds=1\r\n"}) {}

  // Copies the MSDE folder (the program, setup.exe, setup.ini and the packages) to `folder`.
  void CopyMsdeFolderTo(const std::filesystem::path& folder) const {
    std::filesystem::copy(folders_.app_folder(), folder, std::filesystem::copy_options::recursive);
  }

  // From "&Weiter" to the success message, which ends the program.
  void InstallSuccessfully(QuillsetApp& app) {
    const MessageBoxView message = PressWeiterUntilMessage(app, Millis(90000));
    EXPECT_EQ(message.title, "quillset");
    EXPECT_EQ(message.text, kInstalled);
    PressDialogButton(message.window, IDOK);
    EXPECT_EQ(app.program().WaitForExit(), 0u);
    EXPECT_EQ(ServiceState("MSSQL$GLOBANA"), SERVICE_RUNNING);
    EXPECT_TRUE(std::filesystem::exists(folders_.temp_folder() / "quillset.log"));
  }

  // Below HKLM\SOFTWARE\Microsoft\MSSQLServer the run writes the alias and nothing else; the
  // setup writes only where MSDE registers an instance and its package.
  std::vector<std::string> ChangesBesidesTheInstallation(
      const std::vector<std::string>& alias_changes) const {
    const RegistryContents after = ReadRegistryContents(SqlServerRegistryTrees());
    std::vector<std::string> unexpected;
    const auto alias_diff =
        RegistryDifferences(KeysBelow(before_, kMssqlServerKey), KeysBelow(after, kMssqlServerKey));
    if (alias_diff != alias_changes)
      unexpected.insert(unexpected.end(), alias_diff.begin(), alias_diff.end());
    for (const std::string& change : RegistryDifferences(before_, after)) {
      const bool setup_place = change.find("\\Microsoft SQL Server") != std::string::npos ||
                               change.find(kPackage1) != std::string::npos ||
                               change.find("HKEY_CLASSES_ROOT\\Installer") != std::string::npos;
      const bool alias_place = change.find("\\MSSQLServer") != std::string::npos;
      if (!setup_place && !alias_place)
        unexpected.push_back(change);
    }
    return unexpected;
  }

  static std::string AliasValueAdded() {
    return std::string(
               "value added: HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\MSSQLServer\\Client\\"
               "ConnectTo [KORA_DB_ALIAS] type 1, ") +
           std::to_string((sizeof kAliasData) * 2) + " bytes: \"" + kAliasData + "\\0\"";
  }
  static std::vector<std::string> NewAliasKeyChanges() {
    return {"key added: HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\MSSQLServer",
            "key added: HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\MSSQLServer\\Client",
            "key added: HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\MSSQLServer\\Client\\ConnectTo",
            AliasValueAdded()};
  }
};

// Unquoted, "C:\...\Quelle\MSDE 2000\setup.exe" would let Windows start C:\...\Quelle\MSDE.exe
// first: a program of that name lies in the way, and only the real setup's work ends in success.
// (Nothing else named MSDE may lie beside it: Wine takes a folder of that name as the end of its
// search and goes on with the next word.)
TEST_F(HostileInstall, FromAFolderWithBlanks) {
  const std::filesystem::path app_folder = folders_.scratch() / "Quelle" / "MSDE 2000";
  folders_.scratch().MakeFolder("Quelle");
  CopyMsdeFolderTo(app_folder);
  folders_.scratch().CopyFileIn(StandinExePath(L"talker"), "Quelle\\MSDE.exe");
  RememberRegistry();
  QuillsetApp app(app_folder / "quillset.exe", app_folder, Environment());
  InstallSuccessfully(app);
  EXPECT_EQ(ChangesBesidesTheInstallation(NewAliasKeyChanges()), std::vector<std::string>{});
}

// The program's folder is then "Q:\", and the setup's paths carry a doubled backslash
// ("Q:\\setup.exe"), which Windows reads as one.
TEST_F(HostileInstall, FromADrivesRoot) {
  const std::filesystem::path root_folder = folders_.scratch() / "Laufwerk";
  CopyMsdeFolderTo(root_folder);
  const MappedDrive drive(root_folder);
  RememberRegistry();
  QuillsetApp app(drive.root() + std::wstring(L"quillset.exe"), drive.root(), Environment());
  InstallSuccessfully(app);
  EXPECT_EQ(ChangesBesidesTheInstallation(NewAliasKeyChanges()), std::vector<std::string>{});
}

TEST_F(HostileInstall, IntoAConnectToKeyWithOtherAliases) {
  ApplyRegText(
      "Windows Registry Editor Version 5.00\r\n\r\n"
      "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\MSSQLServer\\Client\\ConnectTo]\r\n"
      "\"DSQUERY\"=\"DBNETLIB\"\r\n"
      "\"LAGER\"=\"DBMSSOCN,lager.example,1433\"\r\n"
      "\"KORA_DB_ALIAS\"=\"DBMSSOCN,altserver,1433\"\r\n"
      "\"ROH\"=hex:01,02,03\r\n"
      "\"ZAHL\"=dword:00000007\r\n\r\n"
      "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\MSSQLServer\\Client\\ConnectTo\\Zweig]\r\n"
      "\"X\"=\"Y\"\r\n");
  RememberRegistry();
  QuillsetApp app = Start();
  InstallSuccessfully(app);
  // The alias is rewritten in place; every other value and key stays as it was.
  EXPECT_EQ(ChangesBesidesTheInstallation(
                {"value changed: HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\MSSQLServer\\Client\\"
                 "ConnectTo [KORA_DB_ALIAS] from type 1, 48 bytes: \"DBMSSOCN,altserver,1433\\0\" "
                 "to type 1, " +
                 std::to_string((sizeof kAliasData) * 2) + " bytes: \"" + kAliasData + "\\0\""}),
            std::vector<std::string>{});
  const auto alias =
      ReadRegistryValue({platform::kHkeyLocalMachine, kConnectToKey}, "KORA_DB_ALIAS");
  ASSERT_TRUE(alias);
  EXPECT_EQ(alias->type, static_cast<DWORD>(REG_SZ));
  EXPECT_EQ(alias->data, std::string(kAliasData) + '\0');
}

}  // namespace
}  // namespace quillset::e2e
