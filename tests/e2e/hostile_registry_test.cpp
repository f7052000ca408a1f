// Hostile registries, read by the real quillset.exe under Wine: InstalledInstances of the wrong
// type, with too many names, a very long name or umlauts; a Component Set full of garbage. Each
// case ends where the program's rules lead, without a crash or a hang, and the run changes
// nothing in the registry.
#include <gtest/gtest.h>

#include <cctype>
#include <cstdio>
#include <initializer_list>
#include <ostream>
#include <string>
#include <vector>

#include "hostile_machine.h"
#include "platform/win32/ansi_text.h"
#include "platform/win32/handle.h"

namespace quillset::e2e {
namespace {

using platform::ControlId;

constexpr char kSqlServerKey[] = "HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Microsoft SQL Server";
constexpr char kReportTitle[] = "Microsoft SQL-Server Installations-Informationen";

std::string Hex(const std::string& bytes) {
  std::string text;
  for (const unsigned char byte : bytes) {
    char pair[4];
    std::snprintf(pair, sizeof pair, "%02x,", byte);
    text += pair;
  }
  if (!text.empty())
    text.pop_back();
  return text;
}

// UTF-16LE bytes of UTF-8 text, as a "Version 5.00" .reg file writes hex(2) and hex(7) data.
std::string Utf16Bytes(const std::string& utf8) {
  const std::wstring wide = win32::Utf8ToWide(utf8);
  std::string bytes;
  for (const wchar_t c : wide) {
    bytes += static_cast<char>(c & 0xFF);
    bytes += static_cast<char>(c >> 8);
  }
  return bytes;
}

// A REG_MULTI_SZ line: every name closed by a NUL, the list by one more.
std::string MultiSzLine(const std::string& value_name, const std::vector<std::string>& names) {
  std::string bytes;
  for (const std::string& name : names)
    bytes += Utf16Bytes(name) + std::string(2, '\0');
  bytes += std::string(2, '\0');
  return "\"" + value_name + "\"=hex(7):" + Hex(bytes) + "\r\n";
}

std::string RegText(const std::string& key, const std::string& lines) {
  return "Windows Registry Editor Version 5.00\r\n\r\n[" + key + "]\r\n" + lines;
}

// The report's lines for instance names and package numbers, each closed by a line feed.
std::string Report(const std::string& count, const std::vector<std::string>& names,
                   const std::vector<std::string>& packages) {
  std::string text =
      "Auf diesem Rechner wurden gefunden: \n\nAnzahl der MSSQL-Datenbanken: \n\t\t" + count +
      "\n\nNamen der MSSQL-Datenbanken: \n";
  for (const std::string& name : names)
    text += "\t\t" + name + "\n";
  text += "\n\nAuf diesem Rechner installierte MSDE-Pakete: \n";
  for (const std::string& package : packages)
    text += "\t\t" + package + "\n";
  return text;
}

std::string SystemInfo(QuillsetApp& app) {
  app.Click(ControlId::Cmd_Info);
  const MessageBoxView box = app.WaitForMessageBox();
  EXPECT_EQ(box.title, kReportTitle);
  PressDialogButton(box.window, IDOK);
  return box.text;
}

using HostileRegistry = HostileMachine;

// --- InstalledInstances of a type that holds no list --------------------------------------------

struct WrongType {
  const char* name;
  const char* value_line;  // InstalledInstances naming GLOBANA and KORA in the type's own way
  friend void PrintTo(const WrongType& type, std::ostream* out) { *out << type.name; }
};

class InstalledInstancesOfAnotherType : public HostileMachine,
                                        public ::testing::WithParamInterface<WrongType> {};

TEST_P(InstalledInstancesOfAnotherType, CountsNoInstanceAndInstallsGlobana) {
  ApplyRegText(RegText(kSqlServerKey, GetParam().value_line));
  RememberRegistry();
  QuillsetApp app = Start();
  EXPECT_EQ(SystemInfo(app), Report(" 0", {}, {}));

  const MessageBoxView message = PressWeiterUntilMessage(app);
  ExpectSetupNotStartedAndNothingChanged(app, message, SetupCall());
}

INSTANTIATE_TEST_SUITE_P(
    Hostile, InstalledInstancesOfAnotherType,
    ::testing::Values(
        // Text without separators, as the value's type promises.
        WrongType{"RegSz", "\"InstalledInstances\"=\"GLOBANA\"\r\n"},
        // The bytes of a list of ANSI names, stored as binary.
        WrongType{"RegBinary",
                  "\"InstalledInstances\"=hex:47,4c,4f,42,41,4e,41,00,4b,4f,52,41,00,00\r\n"},
        WrongType{"RegExpandSz",
                  "\"InstalledInstances\"=hex(2):47,00,4c,00,4f,00,42,00,41,00,4e,00,41,00,00,"
                  "00\r\n"},
        WrongType{"RegDword", "\"InstalledInstances\"=dword:00000002\r\n"}),
    [](const auto& info) { return std::string(info.param.name); });

// --- Too many names ------------------------------------------------------------------------------

TEST_F(HostileRegistry, SeventeenNamesFillTheSixteenSlotsAndTheInstallationRefuses) {
  std::vector<std::string> names;
  for (int i = 1; i <= 17; ++i)
    names.push_back("INST" + std::string(i < 10 ? "0" : "") + std::to_string(i));
  ApplyRegText(RegText(kSqlServerKey, MultiSzLine("InstalledInstances", names)));
  RememberRegistry();
  QuillsetApp app = Start();
  // The table has sixteen slots: the seventeenth name is left out.
  const std::vector<std::string> listed(names.begin(), names.begin() + 16);
  EXPECT_EQ(SystemInfo(app), Report(" 16", listed, {}));

  // Sixteen probes (none of the services runs), then the installation counts 16.
  const MessageBoxView message = PressWeiterUntilMessage(app);
  EXPECT_EQ(message.title, "Achtung");
  EXPECT_EQ(message.text,
            "Installation nicht möglich - es sind bereits  16 MSSQL-Server-Datenbanken "
            "installiert! ");
  PressDialogButton(message.window, IDOK);
  WaitForIntroductionPage(app);
  EXPECT_EQ(RegistryChanges(), std::vector<std::string>{});
  EndWith(app, ControlId::Cmd_Abbrechen);
}

// --- A name of 200 characters, and 200 characters typed as a name --------------------------------

TEST_F(HostileRegistry, ANameOf200CharactersIsListedAndA200CharacterAnswerIsRefused) {
  const std::string long_name = "GLOBANA" + std::string(193, 'X');
  ApplyRegText(RegText(kSqlServerKey, MultiSzLine("InstalledInstances", {long_name, "GLOBANA"})));
  RememberRegistry();
  QuillsetApp app = Start();
  EXPECT_EQ(SystemInfo(app), Report(" 2", {long_name, "GLOBANA"}, {}));

  // GLOBANA is taken: the program asks for another name.
  app.Click(ControlId::Cmd_Installieren);
  InputBoxView input = app.WaitForInputBox(kPressWait);
  const std::string typed(200, 'n');
  TypeText(input.edit, typed);
  WaitFor("the typed name in the input box", kDefaultWait,
          [&] { return TextOf(input.edit) == typed; });
  PressDialogButton(input.window, IDOK);
  const MessageBoxView refusal = app.WaitForMessageBox();
  EXPECT_EQ(refusal.title, "Achtung");
  EXPECT_TRUE(refusal.text.starts_with("Der Name '" + std::string(200, 'N') +
                                       "' ist als Instanzname nicht zulässig."))
      << refusal.text;
  PressDialogButton(refusal.window, IDOK);

  // Asked again; cancelling ends the run silently.
  input = app.WaitForInputBox();
  PressDialogButton(input.window, "Abbrechen");
  WaitForIntroductionPage(app);
  EXPECT_FALSE(std::filesystem::exists(folders_.temp_folder() / "quillset.log"));
  EXPECT_EQ(RegistryChanges(), std::vector<std::string>{});
  EndWith(app, ControlId::Cmd_Abbrechen);
}

// --- Umlauts
// ---------------------------------------------------------------------------------------

// The names come through the ANSI code page (1252) whole. Wine's net writes its listing in the OEM
// code page (850), as Windows' net does into a pipe: "MSSQL$MÜLLER" arrives as the bytes of
// "MSSQL$MšLLER" read in the ANSI code page, which the program takes as they are. So a running
// instance with an umlaut in its name is never seen running, never asked through osql, and never
// listed; the installation goes on as on a machine without it.
TEST_F(HostileRegistry, NamesWithUmlautsAreReportedWholeAndTheirServiceIsNotSeenRunning) {
  ApplyRegText(RegText(kSqlServerKey, MultiSzLine("InstalledInstances", {"MÜLLER", "KÖRA"})));
  StandinService umlaut_service("MSSQL$MÜLLER", "MSSQL$MÜLLER");
  umlaut_service.Start();
  // Were it asked, this server would lead to the found-databases page.
  answers_.Server(ComputerName() + "\\MÜLLER", "Enterprise Edition", "8.00.760");
  RememberRegistry();
  QuillsetApp app = Start();
  EXPECT_EQ(SystemInfo(app), Report(" 2", {"MÜLLER", "KÖRA"}, {}));

  const MessageBoxView message = PressWeiterUntilMessage(app);
  ExpectSetupNotStartedAndNothingChanged(app, message, SetupCall());
}

// --- A Component Set full of garbage
// ---------------------------------------------------------------

constexpr char kCode1[] = "E09B48B5-E141-427A-AB0C-D3605127224A";
constexpr char kCode3[] = "EFB70B01-B1F3-4960-AB69-4A280084A60C";
constexpr char kCode4[] = "C2736CA7-76E1-4D0C-B590-483A7FFD18DA";

void SetRawValue(const std::string& key_path, const std::wstring& name, DWORD type,
                 const std::string& bytes) {
  win32::ScopedKey key;
  ASSERT_EQ(RegCreateKeyExW(HKEY_LOCAL_MACHINE, win32::Utf8ToWide(key_path).c_str(), 0, nullptr, 0,
                            KEY_ALL_ACCESS, nullptr, key.receive(), nullptr),
            ERROR_SUCCESS);
  ASSERT_EQ(
      RegSetValueExW(key.get(), name.c_str(), 0, type, reinterpret_cast<const BYTE*>(bytes.data()),
                     static_cast<DWORD>(bytes.size())),
      ERROR_SUCCESS);
}

TEST_F(HostileRegistry, GarbageInTheComponentSetFindsOnlyTheTextThatMatches) {
  const std::string braced1 = std::string("{") + kCode1 + "}";
  std::string lower1 = braced1;
  for (char& c : lower1)
    c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  ApplyRegText(
      RegText(std::string(kSqlServerKey) + "\\Component Set",
              // Package 1's code in every type but text: binary, list, expandable text.
              "\"InstanceComponentSet.1\"=hex:" + Hex(braced1) + "\r\n" +
                  "\"InstanceComponentSet.2\"=dword:ffffffff\r\n" +
                  MultiSzLine("InstanceComponentSet.3", {braced1}) +
                  "\"InstanceComponentSet.4\"=hex(2):" + Hex(Utf16Bytes(braced1) + '\0' + '\0') +
                  "\r\n" +
                  // In lower case, and empty.
                  "\"InstanceComponentSet.6\"=\"" + lower1 + "\"\r\n" +
                  "\"InstanceComponentSet.7\"=\"\"\r\n" +
                  // The one that counts: package 3, in the last place.
                  "\"InstanceComponentSet.16\"=\"{" + kCode3 + "}\"\r\n") +
      // The setup record's product code as binary; an uninstall entry naming its instance by a
      // number, which is a text for the detection ("0").
      "\r\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\MSSQLServer\\Setup]\r\n"
      "\"ProductCode\"=hex:" +
      Hex(kCode1) +
      "\r\n\r\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\{" +
      kCode4 + "}]\r\n\"SqlInstanceName\"=dword:00000000\r\n");
  const std::string component_set = "SOFTWARE\\Microsoft\\Microsoft SQL Server\\Component Set";
  // A text of four million characters, and package 1's code followed by a NUL and more.
  SetRawValue(component_set, L"InstanceComponentSet.5", REG_SZ,
              Utf16Bytes(std::string(4'000'000, '{')) + std::string(2, '\0'));
  SetRawValue(
      component_set, L"InstanceComponentSet.8", REG_SZ,
      Utf16Bytes(braced1) + std::string(2, '\0') + Utf16Bytes("tail") + std::string(2, '\0'));
  RememberRegistry();

  QuillsetApp app = Start();
  EXPECT_EQ(SystemInfo(app), Report(" 0", {}, {" 3", " 4"}));
  // Package 1 is still free: it is the one the setup gets.
  const MessageBoxView message = PressWeiterUntilMessage(app);
  ExpectSetupNotStartedAndNothingChanged(app, message, SetupCall());
}

}  // namespace
}  // namespace quillset::e2e
