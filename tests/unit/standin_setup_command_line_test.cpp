// How the MSDE setup stand-in reads the command line the assistant builds for Microsoft's setup.
#include "standins/setup_command_line.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace quillset::standin {
namespace {

using Tokens = std::vector<std::wstring>;

struct SplitCase {
  const char* label;
  std::wstring line;
  Tokens expected;
};

TEST(StandinSetupCommandLine, SplitTable) {
  const std::vector<SplitCase> rows = {
      {"blanks and tabs separate", L"  a\tb   c ", {L"a", L"b", L"c"}},
      {"quotes group and are dropped", L"\"a b\" c", {L"a b", L"c"}},
      {"a quote inside a token",
       L"TARGETDIR=\"C:\\Program Files\\\" x",
       {L"TARGETDIR=C:\\Program Files\\", L"x"}},
      {"a backslash before a quote stays", L"\"C:\\Programme\\\"", {L"C:\\Programme\\"}},
      {"quoted text joins what follows", L"\"a b\"c d", {L"a bc", L"d"}},
      {"an empty pair is an empty token", L"a \"\" b", {L"a", L"", L"b"}},
      {"an unclosed quote runs to the end", L"a \"b c", {L"a", L"b c"}},
      {"nothing", L"", {}},
      {"only blanks", L"   ", {}},
  };
  for (const SplitCase& row : rows) {
    EXPECT_EQ(SplitCommandLine(row.line), row.expected) << row.label;
  }
}

struct ParseCase {
  const char* label;
  std::wstring line;
  SetupCommandLine expected;
};

void ExpectSame(const SetupCommandLine& actual, const SetupCommandLine& expected,
                const char* label) {
  EXPECT_EQ(actual.program, expected.program) << label;
  EXPECT_EQ(actual.log_path, expected.log_path) << label;
  EXPECT_EQ(actual.settings_path, expected.settings_path) << label;
  EXPECT_EQ(actual.instance_name, expected.instance_name) << label;
  EXPECT_EQ(actual.target_folder, expected.target_folder) << label;
  EXPECT_EQ(actual.package_path, expected.package_path) << label;
  EXPECT_EQ(actual.wait, expected.wait) << label;
  EXPECT_EQ(actual.missing_values, expected.missing_values) << label;
  EXPECT_EQ(actual.unknown, expected.unknown) << label;
}

SetupCommandLine Expected(std::wstring program, std::wstring log, std::wstring settings,
                          std::wstring name, std::wstring target, std::wstring package, bool wait,
                          Tokens missing = {}, Tokens unknown = {}) {
  SetupCommandLine line;
  line.program = std::move(program);
  line.log_path = std::move(log);
  line.settings_path = std::move(settings);
  line.instance_name = std::move(name);
  line.target_folder = std::move(target);
  line.package_path = std::move(package);
  line.wait = wait;
  line.missing_values = std::move(missing);
  line.unknown = std::move(unknown);
  return line;
}

TEST(StandinSetupCommandLine, ParseTable) {
  const std::vector<ParseCase> rows = {
      {"the assistant's documented line",
       LR"(D:\MSDE\setup.exe /lv "C:\TEMP\quillset.log" /settings "D:\MSDE\setup.ini" )"
       LR"(INSTANCENAME=GLOBANA TARGETDIR="C:\Programme\" /i "D:\MSDE\setup\SqlRun01.msi" /wait)",
       Expected(LR"(D:\MSDE\setup.exe)", LR"(C:\TEMP\quillset.log)", LR"(D:\MSDE\setup.ini)",
                L"GLOBANA", LR"(C:\Programme\)", LR"(D:\MSDE\setup\SqlRun01.msi)", true)},
      {"the assistant in a drive root",
       LR"(D:\\setup.exe /lv "C:\TEMP\quillset.log" /settings "D:\\setup.ini" )"
       LR"(INSTANCENAME=GLOBANA TARGETDIR="C:\Programme\" /i "D:\\setup\SqlRun16.msi" /wait)",
       Expected(LR"(D:\\setup.exe)", LR"(C:\TEMP\quillset.log)", LR"(D:\\setup.ini)", L"GLOBANA",
                LR"(C:\Programme\)", LR"(D:\\setup\SqlRun16.msi)", true)},
      {"a quoted program path with blanks",
       LR"("C:\Mein Ordner\MSDE\setup.exe" /lv "C:\TEMP\quillset.log" )"
       LR"(/settings "C:\Mein Ordner\MSDE\setup.ini" INSTANCENAME=GLOBANA )"
       LR"(TARGETDIR="C:\Program Files\" /i "C:\Mein Ordner\MSDE\setup\SqlRun02.msi" /wait)",
       Expected(LR"(C:\Mein Ordner\MSDE\setup.exe)", LR"(C:\TEMP\quillset.log)",
                LR"(C:\Mein Ordner\MSDE\setup.ini)", L"GLOBANA", LR"(C:\Program Files\)",
                LR"(C:\Mein Ordner\MSDE\setup\SqlRun02.msi)", true)},
      {"TEMP and ProgramFiles undefined",
       LR"(D:\MSDE\setup.exe /lv "\quillset.log" /settings "D:\MSDE\setup.ini" )"
       LR"(INSTANCENAME=TEST TARGETDIR="\" /i "D:\MSDE\setup\SqlRun10.msi" /wait)",
       Expected(LR"(D:\MSDE\setup.exe)", LR"(\quillset.log)", LR"(D:\MSDE\setup.ini)", L"TEST",
                LR"(\)", LR"(D:\MSDE\setup\SqlRun10.msi)", true)},
      {"missing values", LR"(setup.exe /lv /settings s.ini INSTANCENAME= TARGETDIR="" /i)",
       Expected(L"setup.exe", L"", L"s.ini", L"", L"", L"", false,
                {L"/lv", L"INSTANCENAME=", L"TARGETDIR=", L"/i"})},
      {"names in any letter case, values kept, unknown tokens collected",
       LR"(setup.exe /LV log.txt instancename=Test /Settings s.ini /qb SECURITYMODE=SQL /WAIT)",
       Expected(L"setup.exe", L"log.txt", L"s.ini", L"Test", L"", L"", true, {},
                {L"/qb", L"SECURITYMODE=SQL"})},
      {"the last of a repeated switch counts",
       L"setup.exe INSTANCENAME=A\tINSTANCENAME=B /i a.msi /i b.msi",
       Expected(L"setup.exe", L"", L"", L"B", L"", L"b.msi", false)},
      {"an unclosed quote swallows the rest", LR"(setup.exe /i "C:\a b\SqlRun01.msi /wait)",
       Expected(L"setup.exe", L"", L"", L"", L"", LR"(C:\a b\SqlRun01.msi /wait)", false)},
      {"an empty line", L"", Expected(L"", L"", L"", L"", L"", L"", false)},
  };
  for (const ParseCase& row : rows) {
    ExpectSame(ParseSetupCommandLine(row.line), row.expected, row.label);
  }
}

}  // namespace
}  // namespace quillset::standin
